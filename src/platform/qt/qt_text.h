#pragma once
// GBK texts of the system to and from the Unicode strings of Qt.

#include <QString>
#include <string>
#include <string_view>

namespace brimsel::platform {

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

}  // namespace brimsel::platform
