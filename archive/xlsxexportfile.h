#ifndef XLSXEXPORTFILE_H
#define XLSXEXPORTFILE_H

#include <QFile>
#include <QString>
#include <QVector>
#include <initializer_list>
#include <memory>

class QTemporaryFile;
struct lxw_workbook;
struct lxw_worksheet;

// A cell for XlsxExportFile::writeRow: a number, a UTF-8 text, or blank, as a null or empty text
// also is.
struct XlsxCell {
    XlsxCell() = default;
    XlsxCell(double number) : number(number), isNumber(true) {}
    XlsxCell(const char *text) : text(text) {}

    double number = 0;
    const char *text = nullptr;
    bool isNumber = false;
};

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
    // Writes the cells into row (from 1) of the current sheet, cell i into column i + 1.
    // Rows of a sheet go out in ascending order. The cells come as a braced list, which costs
    // no allocation, where a container would allocate for every row.
    void writeRow(int row, std::initializer_list<XlsxCell> cells);
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
