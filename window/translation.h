// Qt's own texts in Korean: the standard buttons of the message boxes and
// questions (예, 아니요, 확인, 취소), the file dialog and the text menus.
#pragma once

class QCoreApplication;

namespace window {

// Loads the Korean translation built into the program and installs it on
// `app`; false when it could not be loaded (the texts stay English).
bool InstallQtKorean(QCoreApplication& app);

}  // namespace window
