// updtool keygen DIR: the vendor's signing key pair. The secret key signs releases
// (updtool release --sign); the public key is built into update.exe
// (-DBRIMSEL_VENDOR_PUBLIC_KEY=...) and given to updtool check --public-key.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/command_line.h"
#include "signature/package_signature.h"
#include "updtool/command.h"
#include "updtool/key_files.h"

namespace brimsel::updtool {
namespace {
namespace fs = std::filesystem;

bool WriteKeyFile(const fs::path& file, const std::string& key, fs::perms permissions) {
  {
    std::ofstream out(file, std::ios::trunc);
    out << key << "\n";
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::permissions(file, permissions, ec);
  return true;
}

int Keygen(const Arguments& args) {
  if (args.size() != 1 || args[0].starts_with("--")) return UsageError("keygen takes DIR");
  const fs::path folder = platform::PathFromUtf8(args[0]);
  std::error_code ec;
  if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) return Failure("keygen: " + args[0] + " is a file, not a folder");
  const fs::path secretFile = folder / kSecretKeyFileName;
  const fs::path publicFile = folder / kPublicKeyFileName;
  // A lost secret key cannot sign for the updaters already shipped: never overwrite one.
  if (fs::exists(secretFile, ec) || fs::exists(publicFile, ec))
    return Failure("keygen: " + args[0] + " already holds a key pair; it is not replaced");
  fs::create_directories(folder, ec);
  const signature::KeyPair pair = signature::GenerateKeyPair();
  if (!WriteKeyFile(secretFile, pair.secretKey, fs::perms::owner_read | fs::perms::owner_write) ||
      !WriteKeyFile(publicFile, pair.publicKey, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                                    fs::perms::others_read))
    return Failure("keygen: cannot write the key files into " + args[0]);
  std::cout << "secret key: " << platform::Utf8OfPath(secretFile) << " (keep it private; it signs your releases)\n"
            << "public key: " << platform::Utf8OfPath(publicFile) << "\n"
            << "  " << pair.publicKey << "\n"
            << "build update.exe with it:  scripts/build.sh --vendor URL -DBRIMSEL_VENDOR_PUBLIC_KEY=" << pair.publicKey
            << "\n";
  return 0;
}

const Command keygen("keygen",
                     "  keygen DIR\n"
                     "      make an Ed25519 key pair for signing releases: DIR/vendor.key (secret) and\n"
                     "      DIR/vendor.pub (the public key to build update.exe with)",
                     Keygen);

}  // namespace
}  // namespace brimsel::updtool
