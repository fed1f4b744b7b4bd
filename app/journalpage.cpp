#include "app/journalpage.h"

#include "app/columnwidths.h"
#include "app/filedialogs.h"
#include "app/messages.h"
#include "device/wholefile.h"
#include "journal/journaltable.h"
#include "journal/journalworkbook.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

QDateEdit *dateEdit(const QString &name, const QDate &date, QWidget *parent)
{
    auto *edit = new QDateEdit(date, parent);
    edit->setObjectName(name);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

JournalPage::JournalPage(QWidget *parent)
    : QWidget(parent), model(new JournalTable(Journal::defaultPath(), this)),
      factoryEdit(new QLineEdit(this)), periodBox(new QCheckBox(QStringLiteral("Период"), this))
{
    setObjectName(QStringLiteral("tabJournal"));
    factoryEdit->setObjectName(QStringLiteral("leJournalFactory"));
    factoryEdit->setPlaceholderText(QStringLiteral("все"));
    periodBox->setObjectName(QStringLiteral("cbJournalPeriod"));
    const QDate today = QDate::currentDate();
    fromEdit = dateEdit(QStringLiteral("deJournalFrom"), today.addMonths(-1), this);
    toEdit = dateEdit(QStringLiteral("deJournalTo"), today, this);
    auto *exportButton = new QPushButton(QStringLiteral("Запись в xlsx"), this);
    exportButton->setObjectName(QStringLiteral("pbJournalExport"));

    view = new QTableView(this);
    view->setObjectName(QStringLiteral("tvJournal"));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("Зав. №"), this));
    filterRow->addWidget(factoryEdit);
    filterRow->addWidget(periodBox);
    filterRow->addWidget(fromEdit);
    filterRow->addWidget(new QLabel(QStringLiteral("—"), this));
    filterRow->addWidget(toEdit);
    filterRow->addStretch();
    filterRow->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(view);

    connect(factoryEdit, &QLineEdit::textChanged, this, &JournalPage::refresh);
    connect(periodBox, &QCheckBox::toggled, this, &JournalPage::refresh);
    connect(fromEdit, &QDateEdit::dateChanged, this, &JournalPage::refresh);
    connect(toEdit, &QDateEdit::dateChanged, this, &JournalPage::refresh);
    QMetaObject::connectSlotsByName(this);
}

JournalFilter JournalPage::filter() const
{
    JournalFilter filter;
    filter.factoryNumber = factoryEdit->text().trimmed();
    if (periodBox->isChecked()) {
        filter.from = fromEdit->date();
        filter.to = toEdit->date();
    }
    return filter;
}

void JournalPage::refresh()
{
    model->setFilter(filter());
    fitColumns();
}

// Every column as wide as its header and its widest text among the rows fetched so far.
void JournalPage::fitColumns()
{
    const ColumnWidths widths(view);
    for (int column = 0; column < model->columnCount(); ++column) {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        view->setColumnWidth(
            column, widths.fit(column, 0, model->headerData(column, Qt::Horizontal).toString(), texts));
    }
}

void JournalPage::on_pbJournalExport_clicked()
{
    const QString target =
        askSaveFileName(nullptr, QStringLiteral("Журнал"),
                        QDir(dialogStartFolder(lastDir)).filePath(QStringLiteral("journal.xlsx")),
                        QStringLiteral(" (*.xlsx);;Все файлы (*)"), QStringLiteral("xlsx"));
    if (target.isEmpty())
        return;
    lastDir = QFileInfo(target).path();
    if (!JournalWorkbook::write(target, model->allEntries())) {
        showCritical(WholeFile::notWrittenText(target));
        return;
    }
    showInformation(QStringLiteral("Запись завершена"));
}
