#ifndef QTTEXTS_H
#define QTTEXTS_H

// Makes Qt's own texts (dialog and message box buttons, context menus, command-line help)
// Russian like the rest of the tool, whatever the system's language. Call after the application
// object is made; false when no Russian translation of Qt was found.
bool installQtRussianTexts();

#endif
