#pragma once

#include "tools/tq17sim/portwatch.h"

#include <QString>
#include <memory>

// A raw pseudo-terminal pair standing in for the controller's serial port. The slave side stays
// open here too, so the line does not hang up while the tool closes and reopens its end.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Opens the pair; with a link path, also points a symbolic link there at the slave side.
    bool open(const QString &linkPath);
    void close();

    int masterFd() const { return master_; }
    // Valid while open.
    PortWatch &watch() { return *watch_; }
    QString slavePath() const { return slavePath_; }
    QString errorString() const { return error_; }

private:
    bool fail(const QString &what);

    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
    std::unique_ptr<PortWatch> watch_;
    QString linkPath_;
    QString error_;
};
