#include "cli/text_files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace kestrel::cli {
namespace {

bool WriteAtomically(const std::string& path, const char* data, size_t size) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data, static_cast<std::streamsize>(size));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

bool WriteTextFileAtomically(const std::string& path, const std::string& text) {
  return WriteAtomically(path, text.data(), text.size());
}

}  // namespace kestrel::cli
