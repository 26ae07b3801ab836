#include "app/self_replace_script.h"

#include "platform/exception.h"
#include "platform/files.h"

namespace brimsel {

std::string SelfReplaceScriptText(std::string_view folder) {
  const std::string d(folder);
  const std::string updater = "\"" + d + "update.exe\"";
  const std::string staged = "\"" + d + "update\\update.exe\"";
  std::string text;
  for (const std::string& line : {std::string(":START"), "del " + updater, "if exist " + updater + " GOTO START",
                                  "del " + updater, "copy " + staged + " " + updater, std::string("del %0")}) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string WriteSelfReplaceScript(std::string_view folder) {
  const std::string path = std::string(folder) + kSelfReplaceScriptName;
  const std::string text = SelfReplaceScriptText(folder);
  platform::File file(path, platform::File::Mode::Create);
  if (!file.IsOpen() || file.Write(text.data(), text.size()) != text.size())
    throw Exception("Cannot create file \"" + path + "\". " + file.LastError());
  return path;
}

}  // namespace brimsel
