// login_probe: a small program on the real windows that opens a table of an
// enciphered database file without giving its password, so the engine asks
// through the login hook and the "Database Login" box comes up. It reports how the
// opening ended through its exit status, after the box has gone, which shows
// that the program carries on after a Cancel:
//   0 the table opened with the typed password, 3 the silent abort (Cancel),
//   4 refused (the message goes to standard output), 2 bad arguments.
//   login_probe --create FILE   makes the enciphered test file (password "wexor").
//   login_probe FILE            opens it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "database/ZvDB.h"
#include "platform/classes/SysUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/WidgetSet.h"
#include "platform/forms/win32/Win32WidgetSet.h"
#include "tools/zvdb/ZvDBCreator.h"

namespace {

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace velmorak;
  if (argc == 3 && std::wstring(argv[1]) == L"--create") {
    TZvCreateOptions options;
    options.EncryptName = "Blowfish";
    options.Password = "wexor";
    ZvCreateDatabase(Utf8(argv[2]), options, {{"Config", {{"Name", ftString, 20}}, {}}});
    return 0;
  }
  if (argc != 2) return 2;
  SetWidgetSet(CreateWin32WidgetSet());
  SetZvLoginHook(ZvDBLoginDialog);
  int status = 0;
  try {
    TZvTable table(nullptr);
    table.SetDatabaseName(Utf8(argv[1]));
    table.SetTableName("Config");
    table.Open();
    std::printf("opened, %d fields\n", table.FieldCount());
  } catch (const EAbort&) {
    std::printf("aborted\n");
    status = 3;
  } catch (const Exception& e) {
    std::printf("refused: %s\n", e.Message().c_str());
    status = 4;
  }
  SetZvLoginHook(nullptr);
  SetWidgetSet(nullptr);
  return status;
}
