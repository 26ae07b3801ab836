#include "signature/package_signature.h"

#include <gcrypt.h>

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/exception.h"
#include "platform/files.h"

namespace brimsel::signature {
namespace {

constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kSignatureBytes = kSignatureHexDigits / 2;
constexpr std::size_t kReadPiece = 64 * 1024;
constexpr char kSignedPrefix[] = "brimsel-package-2\n";

// The order L of the group of Ed25519 (RFC 8032), little-endian as s is written. A
// signature verifies with s + L as well as with s; only s < L is accepted.
constexpr std::array<unsigned char, kKeyBytes> kGroupOrder = {
    0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7, 0xa2, 0xde, 0xf9, 0xde, 0x14,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10};

struct SexpRelease {
  void operator()(gcry_sexp_t sexp) const { gcry_sexp_release(sexp); }
};
using Sexp = std::unique_ptr<std::remove_pointer_t<gcry_sexp_t>, SexpRelease>;

struct DigestRelease {
  void operator()(gcry_md_hd_t digest) const { gcry_md_close(digest); }
};
using Digest = std::unique_ptr<std::remove_pointer_t<gcry_md_hd_t>, DigestRelease>;

// The library wants one initialisation before any use, done once per process.
void EnsureLibrary() {
  static const bool ready = [] {
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) return false;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  if (!ready) throw Exception("the cryptography library is too old");
}

[[noreturn]] void Raise(const std::string& what, gcry_error_t error) {
  throw Exception(what + ": " + gcry_strerror(error));
}

bool IsHex(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(kDigits[static_cast<unsigned char>(c) & 0xF]);
  }
  return hex;
}

std::string FromHex(std::string_view hex) {
  auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1])));
  return bytes;
}

// The bytes of the token `name` inside `sexp`, left-padded with zeros to `size`.
std::string TokenBytes(gcry_sexp_t sexp, const char* name, std::size_t size) {
  Sexp token(gcry_sexp_find_token(sexp, name, 0));
  if (!token) throw Exception(std::string("the cryptography library gave no '") + name + "'");
  std::size_t length = 0;
  const char* data = gcry_sexp_nth_data(token.get(), 1, &length);
  if (data == nullptr) throw Exception(std::string("the cryptography library gave an empty '") + name + "'");
  std::string bytes(data, length);
  // A public key may come with the 0x40 prefix of the compressed form.
  if (bytes.size() == size + 1 && static_cast<unsigned char>(bytes[0]) == 0x40) bytes.erase(0, 1);
  if (bytes.size() > size) throw Exception(std::string("unexpected length of '") + name + "'");
  return std::string(size - bytes.size(), '\0') + bytes;
}

Digest NewSha256() {
  EnsureLibrary();
  gcry_md_hd_t digest = nullptr;
  if (gcry_error_t error = gcry_md_open(&digest, GCRY_MD_SHA256, 0)) Raise("cannot hash the package", error);
  return Digest(digest);
}

// The little-endian number `s` (kKeyBytes bytes) is below the group order.
bool IsCanonicalScalar(const char* s) {
  for (std::size_t i = kKeyBytes; i-- > 0;) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (byte != kGroupOrder[i]) return byte < kGroupOrder[i];
  }
  return false;  // equal
}

std::string SignedText(std::string_view packageName, platform::DateTime releaseDate, gcry_md_hd_t digest) {
  const auto* sum = gcry_md_read(digest, GCRY_MD_SHA256);
  const std::string_view sumBytes(reinterpret_cast<const char*>(sum), gcry_md_get_algo_dlen(GCRY_MD_SHA256));
  return kSignedPrefix + std::string(packageName) + "\n" + SignedDate(releaseDate) + "\n" + ToHex(sumBytes);
}

std::string SignedTextOf(std::string_view packageName, platform::DateTime releaseDate, std::string_view package) {
  Digest digest = NewSha256();
  gcry_md_write(digest.get(), package.data(), package.size());
  return SignedText(packageName, releaseDate, digest.get());
}

Sexp DataOf(const std::string& text) {
  gcry_sexp_t data = nullptr;
  if (gcry_error_t error = gcry_sexp_build(&data, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                                           static_cast<int>(text.size()), text.data()))
    Raise("cannot prepare the signed text", error);
  return Sexp(data);
}

Verdict VerifyText(std::string_view publicKey, const std::string& text, std::string_view signature) {
  if (signature.empty()) return Verdict::Missing;
  if (!IsPublicKey(publicKey) || !IsHex(signature, 2 * kSignatureBytes)) return Verdict::Malformed;
  EnsureLibrary();
  const std::string key = FromHex(publicKey);
  const std::string sig = FromHex(signature);
  if (!IsCanonicalScalar(sig.data() + kKeyBytes)) return Verdict::NotCanonical;
  gcry_sexp_t keySexp = nullptr;
  gcry_sexp_t sigSexp = nullptr;
  if (gcry_sexp_build(&keySexp, nullptr, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                      static_cast<int>(key.size()), key.data()) != 0)
    return Verdict::Malformed;
  Sexp keyHolder(keySexp);
  if (gcry_sexp_build(&sigSexp, nullptr, "(sig-val (eddsa (r %b) (s %b)))", static_cast<int>(kKeyBytes), sig.data(),
                      static_cast<int>(kKeyBytes), sig.data() + kKeyBytes) != 0)
    return Verdict::Malformed;
  Sexp sigHolder(sigSexp);
  return gcry_pk_verify(sigSexp, DataOf(text).get(), keySexp) == 0 ? Verdict::Valid : Verdict::Mismatch;
}

}  // namespace

KeyPair GenerateKeyPair() {
  EnsureLibrary();
  gcry_sexp_t params = nullptr;
  if (gcry_error_t error = gcry_sexp_build(&params, nullptr, "(genkey (ecc (curve Ed25519) (flags eddsa)))"))
    Raise("cannot make a key", error);
  Sexp paramsHolder(params);
  gcry_sexp_t pair = nullptr;
  if (gcry_error_t error = gcry_pk_genkey(&pair, params)) Raise("cannot make a key", error);
  Sexp pairHolder(pair);
  const std::string publicKey = TokenBytes(pair, "q", kKeyBytes);
  const std::string seed = TokenBytes(pair, "d", kKeyBytes);
  return KeyPair{ToHex(publicKey), ToHex(seed) + ToHex(publicKey)};
}

bool IsPublicKey(std::string_view hex) { return IsHex(hex, 2 * kKeyBytes); }
bool IsSecretKey(std::string_view hex) { return IsHex(hex, 4 * kKeyBytes); }

std::string SignedDate(platform::DateTime releaseDate) {
  const platform::CalendarParts parts = platform::DecodeDateTime(releaseDate);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month, parts.day, parts.hour,
                parts.minute, parts.second);
  return text;
}

std::string SignPackage(std::string_view secretKey, std::string_view packageName, platform::DateTime releaseDate,
                        std::string_view package) {
  if (!IsSecretKey(secretKey)) throw Exception("not a secret key (128 hex digits)");
  EnsureLibrary();
  const std::string bytes = FromHex(secretKey);
  gcry_sexp_t key = nullptr;
  if (gcry_error_t error = gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve Ed25519) (flags eddsa) (q %b) (d %b)))",
                                           static_cast<int>(kKeyBytes), bytes.data() + kKeyBytes,
                                           static_cast<int>(kKeyBytes), bytes.data()))
    Raise("not a usable secret key", error);
  Sexp keyHolder(key);
  const std::string text = SignedTextOf(packageName, releaseDate, package);
  gcry_sexp_t signature = nullptr;
  if (gcry_error_t error = gcry_pk_sign(&signature, DataOf(text).get(), key)) Raise("cannot sign", error);
  Sexp signatureHolder(signature);
  const std::string result = TokenBytes(signature, "r", kKeyBytes) + TokenBytes(signature, "s", kKeyBytes);
  // A secret key whose public half was altered signs what its own public key rejects.
  if (VerifyText(secretKey.substr(2 * kKeyBytes), text, ToHex(result)) != Verdict::Valid)
    throw Exception("the secret key does not match its public key");
  return ToHex(result);
}

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Valid: return "signature valid";
    case Verdict::Missing: return "the version page carries no signature";
    case Verdict::Malformed: return "the signature or the key is malformed";
    case Verdict::NotCanonical: return "the signature is not in its canonical form";
    case Verdict::Mismatch: return "the signature does not match this package, name and release date";
    case Verdict::Unreadable: return "the package cannot be read";
  }
  return "unknown";
}

Verdict VerifyPackage(std::string_view publicKey, std::string_view packageName, platform::DateTime releaseDate,
                      std::string_view package, std::string_view signature) {
  if (signature.empty()) return Verdict::Missing;
  return VerifyText(publicKey, SignedTextOf(packageName, releaseDate, package), signature);
}

Verdict VerifyPackageFile(std::string_view publicKey, std::string_view packageName, platform::DateTime releaseDate,
                          std::string_view packagePath, std::string_view signature) {
  if (signature.empty()) return Verdict::Missing;
  platform::File file;
  if (!file.Open(packagePath, platform::File::Mode::Read)) return Verdict::Unreadable;
  Digest digest = NewSha256();
  std::vector<char> piece(kReadPiece);
  while (true) {
    const std::size_t count = file.Read(piece.data(), piece.size());
    if (count == 0) break;
    gcry_md_write(digest.get(), piece.data(), count);
  }
  return VerifyText(publicKey, SignedText(packageName, releaseDate, digest.get()), signature);
}

}  // namespace brimsel::signature
