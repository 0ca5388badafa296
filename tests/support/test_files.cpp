// File helpers of the tests.
#include "support/test_files.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file << bytes;
  return file.good();
}

std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& extension) {
  std::vector<std::string> paths;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return paths;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
      paths.push_back(folder + "/" + name);
    }
  }
  closedir(dir);
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string ProcessTempPath(const std::string& name) {
  return testing::TempDir() + std::to_string(getpid()) + "_" + name;
}
