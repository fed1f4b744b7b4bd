#include "controller/outcome.h"

Outcome Outcome::done(const QString &text)
{
    Outcome outcome;
    outcome.text = text;
    return outcome;
}

Outcome Outcome::notTaken(const QStringList &lines)
{
    Outcome outcome;
    outcome.kind = Kind::NotTaken;
    outcome.text = QStringLiteral("Контроллер не принял значения:");
    outcome.lines = lines;
    return outcome;
}

Outcome Outcome::linkFailure()
{
    Outcome outcome;
    outcome.kind = Kind::LinkFailed;
    outcome.text = QStringLiteral("Ошибка связи");
    return outcome;
}

Outcome Outcome::portFailure(const QString &port)
{
    Outcome outcome;
    outcome.kind = Kind::PortFailed;
    outcome.text = QStringLiteral("Ошибка открытия порта ") + port;
    return outcome;
}

Outcome Outcome::failure(const QString &text)
{
    Outcome outcome;
    outcome.kind = Kind::Failed;
    outcome.text = text;
    return outcome;
}

void Context::report(int value) const
{
    if (progress)
        progress(value);
}

Outcome Context::cancelOutcome() const
{
    Outcome outcome;
    outcome.kind = isStopping() ? Outcome::Kind::Stopped : Outcome::Kind::Cancelled;
    return outcome;
}
