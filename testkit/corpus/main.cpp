// qvcorpus: writes the bad-input corpus (case folders and manifest.txt) into the given folder.
//   qvcorpus <output folder>
// Exit code 0 when every case was written, 1 otherwise, 2 for a wrong command line.
#include "corpus.h"

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qvcorpus <output folder>\n");
    return 2;
  }
  std::wstring root = argv[1];
  // ctest hands over a Unix path; Wine maps / to Z:.
  if (!root.empty() && root[0] == L'/') root = L"Z:" + root;
  for (wchar_t& c : root)
    if (c == L'/') c = L'\\';
  while (!root.empty() && root.back() == L'\\') root.pop_back();
  int failures = 0, cases = 0;
  {
    corpus::Corpus corpus(root);
    corpus::AddPackageCases(corpus);
    corpus::AddEnvironmentCases(corpus);
    corpus::AddSoakPackages(corpus);
    failures = corpus.Failures();
    cases = corpus.Cases();
  }
  std::printf("%d cases written, %d failures\n", cases, failures);
  return failures ? 1 : 0;
}
