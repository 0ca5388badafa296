// Runs the kifu command through popen; stderr goes to a file of this
// process, since CTest runs the cases as parallel processes.
#include "support/kifu_run.h"

#include <sys/wait.h>

#include <cstdio>

#include "support/test_files.h"
#include "support/test_paths.h"

KifuRun RunKifu(const std::string& line) {
  const std::string errPath = ProcessTempPath("kifu_run.err");
  const std::string command = "K='" + std::string(KifuBinary()) + "'; (" + line + ") 2>'" + errPath + "'";
  KifuRun result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
  const int raw = pclose(pipe);
  result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.err = FileBytes(errPath);
  std::remove(errPath.c_str());
  return result;
}
