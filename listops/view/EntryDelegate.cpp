#include "EntryDelegate.h"

#include "EntryItem.h"

#include <QApplication>
#include <QListWidget>
#include <QStyle>

void EntryDelegate::prepareFor(const QStyleOptionViewItem &option) const
{
    const QStyle *currentStyle = option.widget ? option.widget->style() : nullptr;
    const bool newFont = !lines.measuresFor(option.font);
    // Where the measurer's generations came round again, a row measured that
    // many fonts ago would pass for measured in this one.
    if (newFont && lines.setFont(option.font)) {
        if (const auto *list = qobject_cast<const QListWidget *>(option.widget)) {
            for (int row = 0; row < list->count(); ++row) {
                if (const EntryItem *entry = EntryItem::of(list->item(row)))
                    LineMeasurer::forget(entry->compactText());
            }
        }
    }
    if (prepared && !newFont && currentStyle == style)
        return;
    style = currentStyle;
    // What the style puts around a one-line text, taken from the style itself.
    const QString probeText = QStringLiteral("x");
    QStyleOptionViewItem probe = option;
    probe.features |= QStyleOptionViewItem::HasDisplay;
    probe.text = probeText;
    const QStyle *sizing = style ? style : QApplication::style();
    const QSize standard = sizing->sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), option.widget);
    const LineMeasurer::Line line = lines.measure(quillmark::CompactText(probeText));
    frame = standard - QSize(line.width, line.height);
    prepared = true;
}

QSize EntryDelegate::rowSize(LineMeasurer::Line line) const
{
    return line.isValid() ? QSize(line.width, line.height) + frame : QSize();
}

QSize EntryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    prepareFor(option);
    const auto *list = qobject_cast<const QListWidget *>(option.widget);
    if (const EntryItem *entry = EntryItem::of(list ? list->itemFromIndex(index) : nullptr))
        return rowSize(lines.measure(entry->compactText()));
    return rowSize(lines.measure(quillmark::CompactText(index.data(Qt::DisplayRole).toString())));
}

void EntryDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text.truncate(LineMeasurer::shownLength(option->text));
}
