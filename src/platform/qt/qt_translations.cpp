#include "platform/qt/qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace brimsel::platform {

bool LoadChineseTranslations(QCoreApplication& application) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  // The application object keeps the translator for as long as it translates.
  translator->setParent(&application);
  QCoreApplication::installTranslator(translator.release());
  return true;
}

}  // namespace brimsel::platform
