// zvdb: the database tool. See ZvdbCommands.h and the usage text.
#include <iostream>
#include <string>
#include <vector>

#include "tools/zvdb/ZvdbCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return velmorak::RunZvdb(args, std::cout, std::cerr);
}
