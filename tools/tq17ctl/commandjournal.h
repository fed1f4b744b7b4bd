#ifndef COMMANDJOURNAL_H
#define COMMANDJOURNAL_H

#include "journal/journal.h"
#include "journal/writelog.h"

class ControllerSession;

// The window's journal, as the tool's writes to a connected controller go into it. A busy
// journal and a failed one are each said once on stderr; the entries that wait for a busy one
// are written at the end, or said lost when it stays busy.
class CommandJournal
{
public:
    explicit CommandJournal(const ControllerSession &session);
    ~CommandJournal();
    CommandJournal(const CommandJournal &) = delete;
    CommandJournal &operator=(const CommandJournal &) = delete;

    WriteLog &log() { return writes; }

private:
    Journal journal;
    WriteLog writes;
    bool failureSaid = false;
    bool busySaid = false;
};

#endif
