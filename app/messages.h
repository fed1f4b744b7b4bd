#ifndef MESSAGES_H
#define MESSAGES_H

class QString;

// The tool's modal messages: no parent, a blank title, one OK button.
void showCritical(const QString &text);
void showInformation(const QString &text);
void showWarning(const QString &text);

#endif
