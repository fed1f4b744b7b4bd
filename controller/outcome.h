#ifndef OUTCOME_H
#define OUTCOME_H

#include "device/channeldiff.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// How a controller operation ended, with what the user is told about it.
struct Outcome {
    enum class Kind {
        Done,       // text: what was done, for the status bar (may be empty)
        NotTaken,   // the controller answered but holds something else: lines or refused say what
        LinkFailed, // an exchange failed; the Modbus line is closed
        PortFailed, // the port did not open (or reopen after a download)
        Failed,     // ended without its result for a reason the text names
        Cancelled,  // stopped by the user between steps
        Stopped,    // all work was asked to end
    };

    Kind kind = Kind::Done;
    QString text;
    QStringList lines;            // NotTaken: one line per device-wide value not taken
    QVector<FieldChange> refused; // NotTaken: the channel fields not taken, as read back
    QVector<int> changed;         // range write: channels left alone, changed since the list

    bool is(Kind k) const { return kind == k; }
    bool linkFailed() const { return kind == Kind::LinkFailed; }

    static Outcome done(const QString &text = QString());
    static Outcome notTaken(const QStringList &lines);
    static Outcome linkFailure();
    static Outcome portFailure(const QString &port);
    static Outcome failure(const QString &text);
};

// What an operation is given by its caller: where to report progress and how to learn that the
// user asked it to stop. Empty functions report nothing and never stop.
struct Context {
    std::function<void(int progress)> progress;
    // Asked between steps: true ends the operation as Cancelled, or as Stopped while stopping().
    std::function<bool()> cancelled;
    std::function<bool()> stopping;

    void report(int value) const;
    bool isCancelled() const { return cancelled && cancelled(); }
    bool isStopping() const { return stopping && stopping(); }
    // Cancelled or Stopped, as the caller asked.
    Outcome cancelOutcome() const;
};

#endif
