// The package tool's commands, callable in-process (the tests do) as well as
// from main:
//   build OUT APP README [APP_NAME README_NAME]
//       entry 0 APP (named "sonograf.exe"), entry 1 README ("readme.txt")
//   list FILE            header fields of each entry
//   verify FILE          decodes and checks every entry; names each broken rule;
//                        for an installer, says whether it carries a signature
// list and verify refuse an installer cut short (headers or sections beyond its end).
//   extract FILE DIR     writes the verified entries below DIR
// FILE is a package file or an installer .exe carrying it as RCDATA 100.
// Exit code: 0 success, 1 the package breaks a rule or the executable is cut
// short, 2 usage or file error.
#pragma once
#include <ostream>
#include <string>
#include <vector>

const int PACK_EXIT_OK = 0;
const int PACK_EXIT_BROKEN = 1;
const int PACK_EXIT_USAGE = 2;

int runPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
