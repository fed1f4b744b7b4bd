#include "tools/tq17sim/commandline.h"

#include <QCommandLineParser>
#include <limits>

namespace {

bool readInt(const QCommandLineParser &parser, const QString &name, int low, int high, int *value,
             QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok, 0);
    if (!ok || number < low || number > high) {
        *error = QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    *value = number;
    return true;
}

bool readFault(const QCommandLineParser &parser, SimFault *fault, QString *error)
{
    if (!parser.isSet(QStringLiteral("fault")) ||
        faultFromName(parser.value(QStringLiteral("fault")), fault))
        return true;
    *error = QStringLiteral("unknown fault; one of: ") + faultNames().join(QStringLiteral(", "));
    return false;
}

bool readFactoryNumber(const QCommandLineParser &parser, quint32 *number, QString *error)
{
    if (!parser.isSet(QStringLiteral("serial")))
        return true;
    bool ok = false;
    *number = parser.value(QStringLiteral("serial")).toUInt(&ok, 0);
    if (!ok)
        *error = QStringLiteral("--serial wants an unsigned 32-bit number");
    return ok;
}

} // namespace

bool CommandLine::parse(const QStringList &arguments, Settings *settings, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a TQ-17 gas-detection controller on a pseudo-terminal: a Modbus RTU slave\n"
        "(functions 03, 04, 16) that uploads archives by XMODEM-1K after command 32.\n"
        "Prints the port to open on its first line, then serves until SIGINT or SIGTERM."));
    parser.addHelpOption();
    const int maxInt = std::numeric_limits<int>::max();
    parser.addOptions({
        {"type", "Device model: 32 or 64 channels (default 32).", "32|64"},
        {"address", "Modbus slave address, 1 to 247 (default 1).", "n"},
        {"serial", "Factory number, unsigned 32-bit (default 123456).", "n"},
        {"baud",
         "Pace Modbus replies as at this baud rate, archive blocks as at 115200 "
         "(default 0: unpaced).",
         "n"},
        {"archives",
         "Upload archives from this folder (events.arh, chan01.arh, ...) instead of "
         "generating them.",
         "dir"},
        {"records", "Records in a generated archive (default 16000).", "n"},
        {"state", "Register image file: loaded at start if present, written by command 16.",
         "file"},
        {"link", "Also make a symbolic link to the port here (removed at exit).", "path"},
        {"read-only",
         "Answer writes to these holding registers as taken but keep their values "
         "(comma-separated addresses).",
         "list"},
        {"fault", "Inject one of these faults:\n" + faultDescriptions().join("\n"), "name"},
        {"fault-after", "Let this many requests (uploads, for xm-* faults) pass first.", "n"},
        {"fault-count", "Hit this many requests or uploads, 0 = all (default 1).", "n"},
        {"fault-param",
         "Fault parameter: gap or duration in ms, length, exception code or block "
         "number (default: the fault's own).",
         "n"},
    });
    parser.process(arguments);

    Simulator::Options &options = settings->options;
    options.archiveDir = parser.value(QStringLiteral("archives"));
    options.stateFile = parser.value(QStringLiteral("state"));
    options.linkPath = parser.value(QStringLiteral("link"));
    if (!readInt(parser, "type", 32, 64, &options.deviceType, error) ||
        !readInt(parser, "address", 1, 247, &options.slaveAddress, error) ||
        !readInt(parser, "baud", 0, 4000000, &options.paceBaud, error) ||
        !readInt(parser, "records", 0, 1000000, &options.generatedRecords, error) ||
        !readInt(parser, "fault-after", 0, maxInt, &settings->faultAfter, error) ||
        !readInt(parser, "fault-count", 0, maxInt, &settings->faultCount, error) ||
        !readInt(parser, "fault-param", 0, maxInt, &settings->faultParameter, error) ||
        !readFactoryNumber(parser, &options.factoryNumber, error) ||
        !readFault(parser, &settings->fault, error))
        return false;
    const QStringList readOnly =
        parser.value(QStringLiteral("read-only")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &text : readOnly) {
        bool ok = false;
        const int address = text.toInt(&ok, 0);
        if (!ok || address < 0 || address > 0xFFFF) {
            *error = QStringLiteral("--read-only wants register addresses 0 to 65535");
            return false;
        }
        options.readOnlyRegisters << address;
    }
    if (options.deviceType != 32 && options.deviceType != 64) {
        *error = QStringLiteral("--type is 32 or 64");
        return false;
    }
    return true;
}
