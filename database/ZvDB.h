// ZvDB: the public entry of the embedded database engine — the file format,
// the file object with its lock, stored-data processing, table storage with
// its indexes, and above them sessions, database objects and the table
// cursor.
#pragma once

#include "database/Compress_Zlib.h"
#include "database/ZvDBCiphers.h"
#include "database/ZvDBDataSet.h"
#include "database/ZvDBDatabase.h"
#include "database/ZvDBFileIO.h"
#include "database/ZvDBFormat.h"
#include "database/ZvDBProcess.h"
#include "database/ZvDBSession.h"
#include "database/ZvDBTable.h"
#include "database/ZvDBTableIO.h"
