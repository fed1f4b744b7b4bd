#include "commandjournal.h"

#include "console.h"
#include "controllersession.h"

namespace {

LinkIdentity identityOf(const ControllerSession &session)
{
    LinkIdentity identity;
    identity.port = session.settings().port;
    identity.address = session.settings().address;
    identity.factoryNumber = QString::number(session.factoryNumber());
    return identity;
}

} // namespace

CommandJournal::CommandJournal(const ControllerSession &session)
    : writes(
          journal, identityOf(session),
          [this](const QString &error) {
              if (!failureSaid)
                  Console::err(QStringLiteral("Журнал изменений не записан: ") + error);
              failureSaid = true;
          },
          [this] {
              if (!busySaid)
                  Console::err(
                      QStringLiteral("Журнал занят другой программой, записи сохранятся позже"));
              busySaid = true;
          })
{}

CommandJournal::~CommandJournal()
{
    const int waiting = journal.waiting();
    if (!journal.close())
        Console::err(
            QStringLiteral("Журнал изменений не записан: записей не сохранено: %1").arg(waiting));
}
