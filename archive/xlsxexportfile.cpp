#include "archive/xlsxexportfile.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <xlsxwriter.h>

XlsxExportFile xlsxExportFile;

namespace {

// What a newly saved file usually gets; an existing file keeps its own permissions.
const QFileDevice::Permissions NEW_FILE_PERMISSIONS =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
    QFileDevice::ReadOther;

std::filesystem::path nativePath(const QString &name)
{
    return std::filesystem::u8path(name.toStdString());
}

lxw_error writeCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t column, const XlsxCell &cell)
{
    if (cell.isNumber)
        return worksheet_write_number(sheet, row, column, cell.number, nullptr);
    if (!cell.text || !*cell.text)
        return LXW_NO_ERROR;
    return worksheet_write_string(sheet, row, column, cell.text, nullptr);
}

// The library does not check its writes to the scratch files holding each sheet's rows; without
// this a full disk would give a truncated workbook that counts as saved.
bool scratchWritten(lxw_worksheet *sheet)
{
    FILE *scratch = sheet->optimize_tmpfile;
    return scratch && std::fflush(scratch) == 0 && !std::ferror(scratch);
}

} // namespace

XlsxExportFile::XlsxExportFile() = default;

XlsxExportFile::~XlsxExportFile()
{
    discardDocument();
}

bool XlsxExportFile::createDocument(const QString &firstSheet)
{
    discardDocument();
    const QFileInfo target(file.fileName());
    // The library writes the workbook itself; the temporary file reserves it a unique name.
    partFile = std::make_unique<QTemporaryFile>(target.filePath() + QStringLiteral(".XXXXXX"));
    if (!partFile->open()) {
        partFile.reset();
        return false;
    }
    partFile->close();

    // The rows wait in scratch files on the target's disk rather than in a temporary folder
    // that may live in memory.
    QByteArray scratchDir = target.absolutePath().toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratchDir.data();
    workbook = workbook_new_opt(partFile->fileName().toUtf8().constData(), &options);
    writeFailed = workbook == nullptr;
    if (workbook)
        addSheet(firstSheet);
    if (writeFailed)
        discardDocument();
    return !writeFailed;
}

void XlsxExportFile::writeRow(int row, std::initializer_list<XlsxCell> cells)
{
    const auto sheetRow = lxw_row_t(row - 1);
    lxw_col_t column = 0;
    for (const XlsxCell &cell : cells) {
        if (writeCell(sheets.last(), sheetRow, column++, cell) != LXW_NO_ERROR)
            writeFailed = true;
    }
}

void XlsxExportFile::setColumnWidth(int column, double width)
{
    const auto index = lxw_col_t(column - 1);
    if (worksheet_set_column(sheets.last(), index, index, width, nullptr) != LXW_NO_ERROR)
        writeFailed = true;
}

void XlsxExportFile::addSheet(const QString &name)
{
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, name.toUtf8().constData());
    if (sheet)
        sheets.append(sheet);
    else
        writeFailed = true;
}

bool XlsxExportFile::finishDocument()
{
    if (writeFailed || !std::all_of(sheets.begin(), sheets.end(), scratchWritten)) {
        discardDocument();
        return false;
    }
    worksheet_activate(sheets.first());
    const lxw_error closed = workbook_close(workbook);
    workbook = nullptr;
    const bool saved = closed == LXW_NO_ERROR && replaceTarget();
    discardDocument();
    return saved;
}

void XlsxExportFile::discardDocument()
{
    if (workbook)
        lxw_workbook_free(workbook);
    workbook = nullptr;
    sheets.clear();
    partFile.reset();
}

bool XlsxExportFile::replaceTarget()
{
    const QString target = file.fileName();
    const QString part = partFile->fileName();
    const QFile::Permissions permissions =
        QFileInfo::exists(target) ? QFile::permissions(target) : NEW_FILE_PERMISSIONS;
    // Unlike QFile::rename, this replaces an existing file, in one step.
    std::error_code error;
    std::filesystem::rename(nativePath(part), nativePath(target), error);
    if (error)
        return false;
    partFile->setAutoRemove(false);
    // Only now: a read-only part file could not be removed after a failed rename.
    QFile::setPermissions(target, permissions);
    return true;
}
