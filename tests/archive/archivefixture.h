#ifndef ARCHIVEFIXTURE_H
#define ARCHIVEFIXTURE_H

#include "app/archive.h"
#include "archive/archivetext.h"
#include "tests/support/testhome.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <vector>

Q_DECLARE_METATYPE(ArchiveRecord)

inline ArchiveRecord makeRecord(const char *utc, uint8_t channel = 0, uint8_t code = 0,
                                uint16_t raw = 0, uint8_t scale = 0, uint16_t aux = 0,
                                uint8_t marker = 'Z')
{
    ArchiveRecord record{};
    record.marker = marker;
    record.channel = channel;
    record.code = code;
    record.time =
        uint32_t(QDateTime::fromString(QString::fromLatin1(utc), Qt::ISODate).toSecsSinceEpoch());
    record.raw = raw;
    record.scale = scale;
    record.aux = aux;
    return record;
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

inline void writeRecords(const QString &path, const std::vector<ArchiveRecord> &records)
{
    writeBytes(path, QByteArray(reinterpret_cast<const char *>(records.data()),
                                int(records.size() * sizeof(ArchiveRecord))));
}

// A main window form in its own working directory and home with one archive drive "drive/"
// that holds the folder "2405".
struct ArchiveFixture {
    explicit ArchiveFixture(int rows = 16000, int channels = 32)
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("drive/2405"));
        writeBytes(drive() + "ORVEK TQ-17 Archive v 01", QByteArray());
        ui.setupUi(&window);
        archive.setDriveSource([this] { return QStringList{drive()}; });
        archive.init(&ui);
        archive.setupTables(rows);
        archive.setChannelCount(channels);
    }
    QString drive() const { return dir.path() + QStringLiteral("/drive/"); }
    QString folder() const { return drive() + QStringLiteral("2405/"); }
    QString cell(QTableView *view, int row, int column) const
    {
        return view->model()->index(row, column).data().toString();
    }
    QStringList rowTexts(QTableView *view, int row) const
    {
        QStringList texts;
        for (int column = 0; column < 8; ++column)
            texts << cell(view, row, column);
        return texts;
    }
    int selectedRow(QTableView *view) const
    {
        const QModelIndexList rows = view->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    void load(int channel)
    {
        ui.cbArcChannel->setCurrentIndex(channel);
        archive.loadFromFolder();
    }

    TestHome home;
    QTemporaryDir dir;
    QMainWindow window;
    Ui_MainWindow ui;
    Archive archive;
};

#endif
