#pragma once
// Qt's own texts (standard buttons, context menus, file and colour dialogs)
// in Chinese, whatever language the desktop runs in: the program speaks
// Chinese throughout.

// Installs Qt's zh_CN translations on the running application and makes
// Chinese the default locale. False when the translation files are missing;
// Qt's texts then stay English.
bool InstallQtChineseTranslations();
