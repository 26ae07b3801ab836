#pragma once
// The Chinese texts of Qt's own dialogs and buttons ("是(Y)", "否(N)", "确定"), which a
// Chinese user sees on every message box.

#include <QCoreApplication>

namespace brimsel::platform {

// Loads qtbase_zh_CN from Qt's translations folder into `application`. False when the
// file is not installed; the boxes then show Qt's English button texts.
bool LoadChineseTranslations(QCoreApplication& application);

}  // namespace brimsel::platform
