#pragma once
// What the tests of a whole wizard process share: the vendor site that the test build has
// built in (port 80 of 127.0.0.1), here one that takes a request and never answers, and
// the settings of an installation folder that the wizard is copied into.

#include <atomic>
#include <string>

#include "settings/settings_cipher.h"
#include "settings/settings_file.h"
#include "support/scripted_server.h"

namespace brimsel::test {

class SilentVendorSite {
 public:
  SilentVendorSite()
      : server_(
            "127.0.0.1",
            [this](ServerConnection& connection, int) {
              if (connection.ReadRequest().empty()) return;
              asked_ = true;
              clientLeft_ = connection.WaitForClientClose(60s);
            },
            80) {}

  bool Listening() const { return server_.Listening(); }
  const std::string& SkipReason() const { return server_.SkipReason(); }
  bool Asked() const { return asked_; }
  // The wizard closed its connection (it gave up, or its process ended).
  bool ClientLeft() const { return clientLeft_; }

 private:
  std::atomic<bool> asked_ = false;
  std::atomic<bool> clientLeft_ = false;
  ScriptedServer server_;  // last: its thread uses the flags
};

// Update.ini in `installationFolder` (a Windows path ending in "\"): the product title and
// the package name "Brimsel", enciphered as the vendor tool stores them.
inline void WriteBrimselSettings(const std::string& installationFolder) {
  for (const char* key : {"title", "FSoftName"}) {
    WriteSetting(installationFolder + kSettingsFileName, kSettingsSection, key,
                 EncryptToHexText("Brimsel", kSettingsKeyString));
  }
}

}  // namespace brimsel::test
