// ZvDB: the public entry of the embedded database engine's storage — the file
// format, the file object with its lock, stored-data processing and table
// storage with its indexes.
#pragma once

#include "database/Compress_Zlib.h"
#include "database/ZvDBCiphers.h"
#include "database/ZvDBFileIO.h"
#include "database/ZvDBFormat.h"
#include "database/ZvDBProcess.h"
#include "database/ZvDBTableIO.h"
