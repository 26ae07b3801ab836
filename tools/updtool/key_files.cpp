#include "updtool/key_files.h"

#include <fstream>

#include "platform/command_line.h"
#include "platform/exception.h"
#include "signature/package_signature.h"

namespace brimsel::updtool {

std::string ReadKey(const std::string& fileOrKey, bool secret) {
  const auto valid = [secret](const std::string& text) {
    return secret ? signature::IsSecretKey(text) : signature::IsPublicKey(text);
  };
  const std::filesystem::path path = platform::PathFromUtf8(fileOrKey);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw Exception(fileOrKey + " is a folder, not a key file");
  if (!std::filesystem::is_regular_file(path, ec)) {
    if (valid(fileOrKey)) return fileOrKey;
    throw Exception("no key file " + fileOrKey);
  }
  std::ifstream in(path);
  std::string key;
  in >> key;
  if (!valid(key)) {
    throw Exception(fileOrKey + (secret ? " holds no secret key (128 hex digits, as updtool keygen writes)"
                                        : " holds no public key (64 hex digits, as updtool keygen writes)"));
  }
  return key;
}

}  // namespace brimsel::updtool
