#include "platform/qt/qt_text.h"

#include "platform/codepage.h"

namespace brimsel::platform {

QString FromGbk(std::string_view gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

}  // namespace brimsel::platform
