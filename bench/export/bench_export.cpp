// Figures for the archive export of a full archive set (events and every channel file, each of
// 16000 records): wall time and peak memory of the export, next to a minimal libxlsxwriter program
// writing the same cells, which is the floor. Each run is a process of its own so that its peak
// memory is its own.
//
//   bench_export                        runs everything and prints the table
//   bench_export export|floor N FOLDER  one run over FOLDER for N channels, printing
//                                       "wall-seconds cpu-seconds peak-KiB start-KiB"
// On a busy machine the CPU times compare more fairly than the wall times.

#include "app/archive.h"
#include "archive/archivetext.h"
#include "tests/support/modalanswerer.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

const char WORKBOOK_NAME[] = "bench.xlsx";

double seconds(const timeval &time)
{
    return double(time.tv_sec) + time.tv_usec / 1e6;
}

std::vector<ArchiveRecord> makeRecords(bool events, QRandomGenerator &random)
{
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    uint32_t time = 1700000000;
    for (ArchiveRecord &record : records) {
        record = ArchiveRecord{};
        time += random.bounded(1, 600);
        record.marker = random.bounded(50) == 0 ? 0xFF : 'Z';
        record.channel = events ? uint8_t(random.bounded(65)) : 0;
        record.code = events ? uint8_t(random.bounded(ArchiveText::NAMED_EVENT_CODES)) : 0;
        record.time = time;
        record.raw = uint16_t(random.bounded(65536));
        record.scale = uint8_t(random.bounded(4) << 4 | random.bounded(10));
        record.aux = uint16_t(random.bounded(10000));
    }
    return records;
}

void writeRecords(const QString &path, const std::vector<ArchiveRecord> &records)
{
    QFile file(path);
    const qint64 bytes = qint64(records.size() * sizeof(ArchiveRecord));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char *>(records.data()), bytes) != bytes)
        qFatal("cannot write %s", qPrintable(path));
}

void writeArchiveSet(const QString &folder, int channels)
{
    QRandomGenerator random(17);
    writeRecords(folder + QStringLiteral("events.arh"), makeRecords(true, random));
    for (int channel = 1; channel <= channels; ++channel)
        writeRecords(folder + QString::asprintf("chan%02d.arh", channel),
                     makeRecords(false, random));
}

std::vector<ArchiveRecord> readRecords(const QString &path)
{
    QFile file(path);
    std::vector<ArchiveRecord> records(ARCHIVE_RECORD_CAPACITY);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const qint64 bytes = file.read(reinterpret_cast<char *>(records.data()),
                                   qint64(records.size() * sizeof(ArchiveRecord)));
    records.resize(size_t(bytes) / sizeof(ArchiveRecord));
    return records;
}

// The floor: the same cells written straight through libxlsxwriter, with the texts formatted by
// the C library as a minimal program would; only the name tables are taken over.
class FloorWriter
{
public:
    FloorWriter()
    {
        for (int code = 0; code < ArchiveText::NAMED_EVENT_CODES; ++code)
            eventNames.push_back(ArchiveText::eventName(code).toStdString());
        for (int unit = 0; unit < 16; ++unit)
            unitNames.push_back(ArchiveText::unitName(unit).toStdString());
    }

    void run(const QString &folder, int channels, const QString &target)
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook *workbook = workbook_new_opt(target.toUtf8().constData(), &options);
        lxw_worksheet *sheet = workbook_add_worksheet(workbook, "События");
        worksheet_set_column(sheet, 3, 3, 15, nullptr);
        writeHeader(sheet, {"Дата", "Время", "Канал", "Событие", "Концен.", "Ед. изм."});
        const std::vector<ArchiveRecord> events =
            readRecords(folder + QStringLiteral("events.arh"));
        for (size_t i = 0; i < events.size(); ++i)
            writeEvent(sheet, lxw_row_t(i + 1), events[i]);
        for (int channel = 1; channel <= channels; ++channel) {
            const QByteArray name = QString::asprintf("К.%02d", channel).toUtf8();
            sheet = workbook_add_worksheet(workbook, name.constData());
            writeHeader(sheet, {"Дата", "Время", "Концен.", "Ед. изм."});
            const std::vector<ArchiveRecord> records =
                readRecords(folder + QString::asprintf("chan%02d.arh", channel));
            for (size_t k = 0; k < records.size(); ++k)
                writeMeasurement(sheet, lxw_row_t(k + 1), records[k]);
        }
        if (workbook_close(workbook) != LXW_NO_ERROR)
            qFatal("floor workbook not written");
    }

private:
    static void writeHeader(lxw_worksheet *sheet, const std::vector<const char *> &texts)
    {
        for (size_t column = 0; column < texts.size(); ++column)
            worksheet_write_string(sheet, 0, lxw_col_t(column), texts[column], nullptr);
    }

    static void writeMoment(lxw_worksheet *sheet, lxw_row_t row, const ArchiveRecord &record)
    {
        const time_t seconds = record.time;
        tm parts{};
        gmtime_r(&seconds, &parts);
        char text[32];
        std::snprintf(text, sizeof text, "%02d.%02d.%02d", parts.tm_mday, parts.tm_mon + 1,
                      parts.tm_year - 100);
        worksheet_write_string(sheet, row, 0, text, nullptr);
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min,
                      parts.tm_sec);
        worksheet_write_string(sheet, row, 1, text, nullptr);
    }

    static double value(const ArchiveRecord &record)
    {
        return record.raw / std::pow(10.0, record.scale >> 4);
    }

    void writeEvent(lxw_worksheet *sheet, lxw_row_t row, const ArchiveRecord &record)
    {
        if (record.marker != 'Z') {
            worksheet_write_string(sheet, row, 0, "---", nullptr);
            return;
        }
        writeMoment(sheet, row, record);
        char text[8];
        std::snprintf(text, sizeof text, "%02d", record.channel);
        worksheet_write_string(sheet, row, 2, text, nullptr);
        worksheet_write_string(sheet, row, 3, eventNames[record.code].c_str(), nullptr);
        if (ArchiveText::carriesValue(record.code)) {
            const int unit = record.scale & 0x0F;
            worksheet_write_number(sheet, row, 4, value(record), nullptr);
            worksheet_write_string(sheet, row, 5, unitNames[unit < 8 ? unit : 0].c_str(), nullptr);
        }
    }

    void writeMeasurement(lxw_worksheet *sheet, lxw_row_t row, const ArchiveRecord &record)
    {
        if (record.marker != 'Z') {
            worksheet_write_string(sheet, row, 0, "---", nullptr);
            return;
        }
        writeMoment(sheet, row, record);
        worksheet_write_number(sheet, row, 2, value(record), nullptr);
        worksheet_write_string(sheet, row, 3, unitNames[record.scale & 0x0F].c_str(), nullptr);
    }

    std::vector<std::string> eventNames;
    std::vector<std::string> unitNames;
};

void runExport(const QString &folder, int channels, const QString &target)
{
    QMainWindow window;
    Ui_MainWindow ui;
    ui.setupUi(&window);
    Archive archive;
    archive.setDriveSource([] { return QStringList(); });
    archive.init(&ui);
    archive.setChannelCount(channels);
    ui.cbArcDisk->addItem(QFileInfo(folder).path() + QLatin1Char('/'));
    ui.cbArcDirs->addItem(QFileInfo(folder).fileName());
    QProgressBar bar;
    ModalAnswerer answerer;
    answerer.queueFileName(target);
    archive.exportToXlsx(&bar);
    if (answerer.messages() != QStringList{QStringLiteral("Запись завершена")})
        qFatal("export failed: %s", qPrintable(answerer.messages().join(QLatin1Char(' '))));
}

// One run as given by the arguments MODE CHANNELS FOLDER.
int runOnce(char **argv)
{
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const int channels = std::atoi(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    const QString target = QDir(folder).filePath(QString::fromLatin1(WORKBOOK_NAME));
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    if (mode == QLatin1String("floor"))
        FloorWriter().run(folder + QLatin1Char('/'), channels, target);
    else
        runExport(folder, channels, target);
    const double wall = clock.nsecsElapsed() / 1e9;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const double cpu = seconds(after.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_utime) - seconds(before.ru_stime);
    std::printf("%.3f %.3f %ld %ld\n", wall, cpu, after.ru_maxrss, before.ru_maxrss);
    QFile::remove(target);
    return 0;
}

QStringList measure(const QString &mode, int channels, const QString &folder)
{
    QProcess run;
    run.start(QCoreApplication::applicationFilePath(), {mode, QString::number(channels), folder});
    if (!run.waitForFinished(-1) || run.exitCode() != 0)
        qFatal("%s run failed: %s", qPrintable(mode), run.readAllStandardError().constData());
    return QString::fromLatin1(run.readAllStandardOutput()).split(QLatin1Char(' '));
}

void printRun(const char *mode, int channels, const QStringList &figures, double floorCpu)
{
    const double cpu = figures[1].toDouble();
    std::printf("%-6s  %6d  %6.2f  %5.2f  %9.2f  %8.1f  %10.1f\n", mode, channels + 1,
                figures[0].toDouble(), cpu, cpu / floorCpu, figures[2].toDouble() / 1024,
                (figures[2].toDouble() - figures[3].toDouble()) / 1024);
}

// Peak growth is the peak less the memory in use when the run began (program and libraries).
int runAll()
{
    QTemporaryDir dir;
    std::printf("run     sheets  wall s  cpu s  cpu/floor  peak MiB  growth MiB\n");
    for (int channels : {32, 64}) {
        const QString folder = dir.filePath(QString::number(channels));
        QDir().mkpath(folder);
        writeArchiveSet(folder + QLatin1Char('/'), channels);
        const QStringList floor = measure(QStringLiteral("floor"), channels, folder);
        const QStringList exported = measure(QStringLiteral("export"), channels, folder);
        printRun("floor", channels, floor, floor[1].toDouble());
        printRun("export", channels, exported, floor[1].toDouble());
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const bool once = argc == 4;
    // The floor runs without an application object, as a minimal program would.
    if (once && std::strcmp(argv[1], "floor") == 0)
        return runOnce(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return once ? runOnce(argv) : runAll();
}
