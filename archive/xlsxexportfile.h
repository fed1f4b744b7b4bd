#ifndef XLSXEXPORTFILE_H
#define XLSXEXPORTFILE_H

#include <QFile>
#include <QString>
#include <QVariant>
#include <QVector>
#include <initializer_list>
#include <memory>

class QTemporaryFile;
struct lxw_workbook;
struct lxw_worksheet;

// Target of the archive export: the last folder and file chosen, kept in "ini".
// A workbook is built in a temporary file beside the target and takes the target's place only
// once it is complete, so a failed export leaves an earlier file of that name as it was.
class XlsxExportFile
{
public:
    XlsxExportFile();
    ~XlsxExportFile();
    XlsxExportFile(const XlsxExportFile &) = delete;
    XlsxExportFile &operator=(const XlsxExportFile &) = delete;

    // Begins a workbook for the file's name whose first sheet, the one it opens on, is named
    // firstSheet; false when it cannot be begun.
    bool createDocument(const QString &firstSheet);
    // Writes the values into row (from 1) of the current sheet, value i into column i + 1:
    // doubles as numbers, everything else as text; an empty text leaves its cell blank.
    // Rows of a sheet go out in ascending order. The values come as a braced list, which costs
    // no allocation, where a QVariantList would allocate for every value of every row.
    void writeRow(int row, std::initializer_list<QVariant> values);
    // Sets the width of a column (from 1) of the current sheet, in characters.
    void setColumnWidth(int column, double width);
    // Appends a sheet and makes it the current one.
    void addSheet(const QString &name);
    // Completes the workbook and puts it in place of the file; false when it could not be
    // written, and then nothing is left behind.
    bool finishDocument();
    // Drops an unfinished workbook.
    void discardDocument();

    QString lastDir;
    QFile file;

private:
    bool replaceTarget();

    std::unique_ptr<QTemporaryFile> partFile;
    lxw_workbook *workbook = nullptr;
    QVector<lxw_worksheet *> sheets;
    bool writeFailed = false;
};

extern XlsxExportFile xlsxExportFile;

#endif
