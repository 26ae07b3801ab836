#include "app/program_information.h"

#include <iostream>

#include "app/vendor_site.h"
#include "platform/command_line.h"
#include "platform/message_box.h"

#ifndef BRIMSEL_VERSION
#error "BRIMSEL_VERSION must be defined by the build"
#endif

namespace brimsel {
namespace {

constexpr char kProgramName[] = "update.exe";

constexpr char kUsage[] =
    "usage: update.exe [--version | --help]\n"
    "\n"
    "Without arguments it opens its wizard. The wizard asks the vendor site for a release\n"
    "newer than LastUpdate in Update.ini beside it, downloads its package and installs it\n"
    "into its own folder, telling the story of each run in update.log in the folder update.\n"
    "\n"
    "  --version  the version, the vendor site built in, and whether it checks signatures\n"
    "  --help     this text\n"
    "\n";

bool AsksFor(const std::vector<std::string>& arguments, std::initializer_list<std::string_view> names) {
  for (std::size_t i = 1; i < arguments.size(); ++i)
    for (const std::string_view name : names)
      if (arguments[i] == name) return true;
  return false;
}

// Standard output where there is one; a program of the windowed kind started from a
// desktop has none, and shows the text in a box instead.
void Tell(const std::string& text) {
  if (platform::AttachStandardOutput()) {
    platform::PrintUtf8ToConsole();
    std::cout << text << std::flush;
    return;
  }
  platform::MessageBox(0, text, kProgramName, platform::MB_OK | platform::MB_ICONINFORMATION);
}

// The lines of --version: the version, the site and the key of this build.
std::string ProgramVersionText(std::string_view publicKey) {
  std::string text = std::string(kProgramName) + " " + BRIMSEL_VERSION + ", the online updater of Brimsel\n";
  text += "vendor site: " + std::string(kVendorSiteUrl) + "\n";
  if (publicKey.empty())
    text += "public key:  none; it installs whatever package it is served, unsigned\n";
  else
    text += "public key:  " + std::string(publicKey) + "; it installs only packages signed with its secret half\n";
  return text;
}

}  // namespace

std::optional<int> AnswerInformationRequest(const std::vector<std::string>& arguments, std::string_view publicKey) {
  if (AsksFor(arguments, {"--help", "-h", "/?"})) {
    Tell(kUsage + ProgramVersionText(publicKey));
    return 0;
  }
  if (AsksFor(arguments, {"--version", "-V"})) {
    Tell(ProgramVersionText(publicKey));
    return 0;
  }
  return std::nullopt;
}

}  // namespace brimsel
