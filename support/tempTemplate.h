#pragma once
#include <filesystem>
#include <string>

// A mkstemp or mkdtemp template in the system's folder for temporary files
// (TMPDIR where set), so that nothing depends on a fixed /tmp.
inline std::string tempTemplate(const std::string& prefix) {
  return (std::filesystem::temp_directory_path() / (prefix + "XXXXXX"))
      .string();
}
