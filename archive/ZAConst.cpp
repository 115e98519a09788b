// ZAConst: the tables themselves. The code table has one row per native code
// 0 to 60 in order; the lookup takes the first row with the code.
#include "archive/ZAConst.h"

namespace velmorak {

namespace {

const char* const kMessages[kZAMessageCount] = {
    "Unknown error",                                                                            // 0
    "Index out of bounds",                                                                      // 1
    "Invalid compression mode. Mode must be in [0-9] range",                                    // 2
    "Unexpected nil pointer",                                                                   // 3
    "Invalid size or check sum of file or unsupported compression format",                      // 4
    "File name is blank. Specify appropriate file name",                                        // 5
    "File \"%s\" not found",                                                                    // 6
    "Archive is not open",                                                                      // 7
    "SFXStub property is not specified",                                                        // 8
    "Cannot create file \"%s\"",                                                                // 9
    "Cannot create directory \"%s\"",                                                           // 10
    "Internal error. Update is not started",                                                    // 11
    "Cannot open file \"%s\"",                                                                  // 12
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",           // 13
    "Cannot delete file \"%s\"",                                                                // 14
    "In-memory archive can be created only",                                                    // 15
    "File is open in read-only mode",                                                           // 16
    "Invalid compressed size, rfs.size = %d, count = %d",                                       // 17
    "Invalid archive file.",                                                                    // 18
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",  // 19
    "Archive is open. You should close it beore performing this operation.",                    // 20
    "Unable to create directory",                                                               // 21
    "Cannot find Zip64 directory end record",                                                   // 22
    "Cannot compress file '%s'. Zip64 mode is not enabled",                                     // 23
    "Cannot open archive file. Opening aborted or invalid file",                                // 24
    "Write to stream error",                                                                    // 25
    "Cannot place SFX stub on volume. Volume size limit is too small",                          // 26
    "Archive is damaged. Open failed",                                                          // 27
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of "
    "MakeSFX",                                                // 28
    "Archive already has SFX stub",                           // 29
    "Multi-volume archive is not allowed for custom stream",  // 30
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files "
    "several times",                                          // 31
    "Deflate64 compression method is not supported",          // 32
    "MakeSFX error",                                          // 33
    "Item path \"%s\" leads outside the destination folder",  // 34
};

// Message index of each native code 0 to 60.
const int kCodeTable[61] = {
    0,  1,  1,  1,  1,  2,  3,  1,  4,  5,  5,  6,  6,  7,  7,  6,   // 0-15
    1,  8,  6,  9,  10, 1,  11, 9,  1,  11, 13, 14, 15, 5,  6,  6,   // 16-31
    16, 12, 17, 18, 19, 20, 6,  21, 22, 23, 6,  23, 24, 24, 25, 26,  // 32-47
    27, 28, 29, 30, 31, 6,  6,  32, 33, 34, -1, -1, -1,              // 48-60
};

}  // namespace

const char* ZAMessage(int index) {
  if (index < 0 || index >= kZAMessageCount) return kMessages[0];
  return kMessages[index];
}

int ZAErrorCodeOf(int nativeError) {
  if (nativeError < 0 || nativeError > 60) return 0;
  return kCodeTable[nativeError];
}

const char* ZALoadStr(int ident) {
  switch (ident) {
    case SConfirmOverwrite:
      return "Overwrite file \"%s\" with \"%s\"";
    case SPasswordTitle:
      return "Password for \"%s\"";
    case SPasswordPrompt:
      return "Enter password: ";
    case SInsertBlankVolume:
      return "Please insert a blank disk #%d";
    case SInsertFirstVolume:
      return "Please insert the first disk";
    case SInsertLastVolume:
      return "Please insert the last disk";
    case SInsertVolume:
      return "Please insert disk #%d";
    case SDiskFull:
      return "Disk is full. Required free space: %d bytes, but available only: %d bytes. Clean the disk or "
             "find "
             "another blank disk";
    case SProcessFileFailure:
      return "%s. File processing error, possibly disk is full";
    case SFileNotFoundOnDisk:
      return "File '%s' not found on inserted disk. Please insert last disk with required file";
  }
  return "";
}

}  // namespace velmorak
