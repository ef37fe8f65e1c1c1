#include "report/report_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QTextLength>
#include <QTextOption>
#include <QTextTable>
#include <QUrl>
#include <algorithm>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {
constexpr double kMetresPerInch = 0.0254;
// The text layout scales tab stops, indents and pictures by the paint device's density over
// this reference density. The document's units already are pixels of the screen density, so
// its paint device keeps the reference density.
constexpr int kReferenceDpi = 96;
// How far right tab stops are given; beyond the widest print line of any paper.
constexpr qreal kTabStopsReach = 4000;
// A line that does not fit its print line is set closer, down to this letter spacing (per
// cent), rather than broken; one that does not fit even so is broken as usual.
constexpr int kTightestSpacing = 80;
// Room a table column leaves beside its widest cell, at most, when the line has more than
// enough; the columns share what is left equally up to this.
constexpr qreal kWidestColumnGap = 96;
// Room on either side of a table cell's text, in units of the text's height.
constexpr qreal kCellPaddingEm = 0.25;
// Room kept in each column beyond its widest text, so that no cell breaks on rounding.
constexpr qreal kColumnSlack = 1;
}  // namespace

ReportStyleSheet::ReportStyleSheet(QObject* parent) : QObject(parent) {
    setObjectName("RVStyle1");
    text_[kTextNormal] =
        TextStyle{QStringLiteral("Normal"), QStringLiteral("Arial"), 11, false, Qt::black};
    text_[kTextHeading] =
        TextStyle{QStringLiteral("Heading"), QStringLiteral("Arial"), 14, true, Qt::black};
    para_[kParaLeft] = ParaStyle{QStringLiteral("Left"), 30, 0, 0, Qt::AlignLeft};
    para_[kParaCentered] = ParaStyle{QStringLiteral("Centered"), 0, 50, 50, Qt::AlignHCenter};
}

const ReportStyleSheet::TextStyle& ReportStyleSheet::textStyle(int number) const {
    const auto it = text_.find(number);
    return it != text_.end() ? it->second : text_.at(kTextNormal);
}

const ReportStyleSheet::ParaStyle& ReportStyleSheet::paraStyle(int number) const {
    const auto it = para_.find(number);
    return it != para_.end() ? it->second : para_.at(kParaLeft);
}

QFont ReportStyleSheet::font(int number, int screenDpi) const {
    const TextStyle& t = textStyle(number);
    QFont f(t.family);
    // Arial first; where it is missing, metric-compatible faces and a face with Chinese glyphs.
    f.setFamilies({t.family, QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(t.pointSize * screenDpi / 72.0)));
    f.setBold(t.bold);
    return f;
}

QTextCharFormat ReportStyleSheet::charFormat(int number, int screenDpi) const {
    QTextCharFormat f;
    f.setFont(font(number, screenDpi));
    f.setForeground(textStyle(number).colour);
    return f;
}

QTextBlockFormat ReportStyleSheet::blockFormat(int number) const {
    const ParaStyle& p = paraStyle(number);
    QTextBlockFormat f;
    f.setTextIndent(p.firstIndent);
    f.setLeftMargin(p.leftIndent);
    f.setRightMargin(p.rightIndent);
    f.setAlignment(p.alignment);
    // Tab stops lie every tabWidth() pixels from the left edge of the print line, whatever the
    // paragraph's indents. The text layout counts tab positions from where the line's text
    // starts, so the stops are given shifted by the first line's indent.
    const qreal origin = p.leftIndent + p.firstIndent;
    QList<QTextOption::Tab> stops;
    for (int k = 1; k * tabWidth_ - origin <= kTabStopsReach; ++k)
        if (k * tabWidth_ > origin)
            stops.append(QTextOption::Tab(k * tabWidth_ - origin, QTextOption::LeftTab));
    f.setTabPositions(stops);
    return f;
}

ReportDocument::ReportDocument(ReportStyleSheet* styles, QObject* parent)
    : QObject(parent),
      styles_(styles),
      doc_(new QTextDocument(this)),
      device_(1, 1, QImage::Format_RGB32) {
    setObjectName("RichView1");
    doc_->setDocumentMargin(0);
    doc_->setUndoRedoEnabled(false);
    QTextOption option = doc_->defaultTextOption();
    option.setTabStopDistance(styles_->tabWidth());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc_->setDefaultTextOption(option);
    setScreenDpi(dpi_);
    clear();
}

ReportDocument::~ReportDocument() = default;

void ReportDocument::setScreenDpi(int dpi) {
    dpi_ = dpi > 0 ? dpi : 96;
    const int dotsPerMetre = qRound(kReferenceDpi / kMetresPerInch);
    device_.setDotsPerMeterX(dotsPerMetre);
    device_.setDotsPerMeterY(dotsPerMetre);
    doc_->documentLayout()->setPaintDevice(&device_);
    doc_->setDefaultFont(styles_->font(kTextNormal, dpi_));
}

void ReportDocument::clear() {
    doc_->clear();
    // Pictures of earlier reports go with the document's resources.
    doc_->setPageSize(QSizeF());
    cursor_ = QTextCursor(doc_);
    block_ = Block::Unused;
    pictures_ = 0;
    rules_ = 0;
    pictureSources_.clear();
    tightBlocks_.clear();
    tables_.clear();
    fittedWidth_ = 0;
}

void ReportDocument::startParagraph(int paraStyle) {
    fittedWidth_ = 0;
    const QTextBlockFormat f = styles_->blockFormat(paraStyle);
    if (block_ == Block::Unused)
        cursor_.setBlockFormat(f);
    else
        cursor_.insertBlock(f, styles_->charFormat(kTextNormal, dpi_));
    block_ = Block::Text;
}

void ReportDocument::continueParagraph() {
    // A rule or a table stands on its own: what follows it starts a paragraph.
    if (block_ != Block::Text) startParagraph(kParaLeft);
}

void ReportDocument::insert(const QString& text, int textStyle) {
    fittedWidth_ = 0;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    cursor_.insertText(t, styles_->charFormat(textStyle, dpi_));
}

void ReportDocument::addText(const QString& text, int textStyle) {
    continueParagraph();
    insert(text, textStyle);
}

void ReportDocument::addTab(int textStyle, int paraStyle) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    insert(QStringLiteral("\t"), textStyle);
}

void ReportDocument::addTextNL(const QString& text, int textStyle, int firstParaStyle,
                               int otherParaStyle) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int para = i == 0 ? firstParaStyle : otherParaStyle;
        if (para >= 0)
            startParagraph(para);
        else if (i == 0)
            continueParagraph();
        else
            startParagraph(kParaLeft);
        insert(lines[i], textStyle);
    }
}

void ReportDocument::addNL(const QString& text, int textStyle, int paraStyle) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    insert(text, textStyle);
}

void ReportDocument::addBreak() {
    fittedWidth_ = 0;
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 100));
    if (block_ == Block::Unused)
        cursor_.setBlockFormat(rule);
    else
        cursor_.insertBlock(rule, styles_->charFormat(kTextNormal, dpi_));
    block_ = Block::Rule;
    ++rules_;
}

void ReportDocument::addPictureEx(const QString& name, const QImage& picture, int paraStyle,
                                  int vAlign) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    fittedWidth_ = 0;
    ++pictures_;
    const QString resource =
        QStringLiteral("report-picture:%1/%2").arg(pictures_).arg(name.isEmpty() ? "item" : name);
    doc_->addResource(QTextDocument::ImageResource, QUrl(resource), picture);
    pictureSources_.insert(resource, picture);
    QTextImageFormat f;
    f.setName(resource);
    f.setWidth(picture.width());
    f.setHeight(picture.height());
    f.setVerticalAlignment(vAlign == kPictureMiddle ? QTextCharFormat::AlignMiddle
                                                    : QTextCharFormat::AlignBaseline);
    cursor_.insertImage(f);
}

void ReportDocument::addTable(const ReportTable& t) {
    const int rows = static_cast<int>(t.rows.size());
    const int columns = static_cast<int>(t.columns.size());
    if (rows == 0 || columns == 0) return;
    fittedWidth_ = 0;
    QTextTableFormat f;
    f.setBorder(0);
    f.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.setCellPadding(0);
    f.setCellSpacing(0);
    f.setMargin(0);
    // The cells of the first column start where the other lines' texts start after their
    // leading tab: at the first tab stop.
    f.setLeftMargin(styles_->tabWidth());
    f.setHeaderRowCount(std::clamp(t.headerRows, 0, rows));
    // One edit: the layout would otherwise follow every cell as it is filled.
    cursor_.beginEditBlock();
    QTextTable* table = cursor_.insertTable(rows, columns, f);
    const QTextCharFormat text = styles_->charFormat(kTextNormal, dpi_);
    // Every cell keeps room on both sides, so that neighbouring columns never touch.
    QTextTableCellFormat room;
    const qreal padding = text.font().pixelSize() * kCellPaddingEm;
    room.setLeftPadding(padding);
    room.setRightPadding(padding);
    for (int r = 0; r < rows; ++r) {
        const std::vector<std::string>& cells = t.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            table->cellAt(r, c).setFormat(room);
            QTextCursor cell = table->cellAt(r, c).firstCursorPosition();
            QTextBlockFormat b;
            b.setAlignment(t.columns[static_cast<std::size_t>(c)] == ColumnAlign::Number
                               ? Qt::AlignRight
                               : Qt::AlignLeft);
            cell.setBlockFormat(b);
            const auto k = static_cast<std::size_t>(c);
            cell.insertText(k < cells.size() ? fromUtf8(cells[k]) : QString(), text);
        }
    }
    cursor_.endEditBlock();
    tables_.append(table);
    // The layout sets the paragraph a table leaves after itself beside the table's last row,
    // so it stays empty and whatever follows starts a paragraph of its own below the table.
    cursor_.movePosition(QTextCursor::End);
    block_ = Block::Table;
}

void ReportDocument::format() {
    // Lays the document out now rather than at the first paint.
    doc_->documentLayout()->documentSize();
}

void ReportDocument::fitToPage() {
    const qreal width = doc_->pageSize().width();
    if (width <= 0) return;
    // The layout of a changed paragraph must start from a finished layout of the whole
    // document, and the pages are counted on a layout made anew from the first paragraph.
    // Fitted to this width already: the layout stands (printing paginates again).
    if (width == fittedWidth_) return;
    // Table columns follow from the fonts alone, so they are set before any layout.
    fitTables(width);
    QAbstractTextDocumentLayout* layout = doc_->documentLayout();
    layout->documentSize();
    fitPictures(width);
    fitLines();
    doc_->markContentsDirty(0, doc_->characterCount());
    layout->documentSize();
    fittedWidth_ = width;
}

namespace {

// Whether the picture from column x on shows nothing but the white paper.
bool blankFrom(const QImage& picture, int x) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int i = x; i < argb.width(); ++i)
            if (qAlpha(row[i]) != 0 && (row[i] | 0xFF000000u) != 0xFFFFFFFFu) return false;
    }
    return true;
}

}  // namespace

void ReportDocument::fitPictures(qreal width) {
    QAbstractTextDocumentLayout* layout = doc_->documentLayout();
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            if (!image.isValid()) continue;
            const QString source = image.name().section(QLatin1Char('#'), 0, 0);
            const auto found = pictureSources_.constFind(source);
            if (found == pictureSources_.constEnd()) continue;
            const QImage& picture = *found;
            QTextCursor c(doc_);
            c.setPosition(fragment.position());
            c.setPosition(fragment.position() + 1, QTextCursor::KeepAnchor);

            // Back to the picture as added, then where it starts in its line.
            image.setName(source);
            image.setWidth(picture.width());
            image.setHeight(picture.height());
            c.setCharFormat(image);
            layout->documentSize();
            const QTextLayout* text = b.layout();
            const QTextLine line = text->lineForTextPosition(fragment.position() - b.position());
            if (!line.isValid()) continue;
            const qreal left =
                text->position().x() + line.cursorToX(fragment.position() - b.position());
            const int room = static_cast<int>(width - left);
            if (picture.width() <= room || room < 1) continue;

            QImage fitted;
            if (blankFrom(picture, room)) {
                fitted = picture.copy(0, 0, room, picture.height());
                image.setName(source + QStringLiteral("#cut"));
            } else {
                fitted = picture.scaledToWidth(room, Qt::SmoothTransformation);
                image.setName(source + QStringLiteral("#scaled"));
            }
            doc_->addResource(QTextDocument::ImageResource, QUrl(image.name()), fitted);
            image.setWidth(fitted.width());
            image.setHeight(fitted.height());
            c.setCharFormat(image);
        }
    }
}

void ReportDocument::fitTables(qreal width) {
    for (QTextTable* table : std::as_const(tables_)) {
        QTextTableFormat f = table->format();
        const int columns = table->columns();
        // Each column as wide as its widest cell, then an equal share of the rest of the line.
        QList<qreal> widest(columns, 0);
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < columns; ++c) {
                // A cell holds one paragraph of text runs.
                const QTextTableCell cell = table->cellAt(r, c);
                const QTextBlock b = cell.firstCursorPosition().block();
                qreal w = 0;
                for (auto it = b.begin(); !it.atEnd(); ++it)
                    w += QFontMetricsF(it.fragment().charFormat().font(), &device_)
                             .horizontalAdvance(it.fragment().text());
                const QTextTableCellFormat cf = cell.format().toTableCellFormat();
                widest[c] =
                    std::max(widest[c], w + cf.leftPadding() + cf.rightPadding() + kColumnSlack);
            }
        }
        qreal sum = 0;
        for (qreal w : std::as_const(widest)) sum += w;
        const qreal room = width - f.leftMargin() - f.rightMargin();
        const qreal gap = sum < room ? std::min(kWidestColumnGap, (room - sum) / columns) : 0;
        // A line too narrow for the widest cells shrinks every column alike.
        const qreal shrink = sum > room && sum > 0 ? room / sum : 1;
        QList<QTextLength> constraints;
        qreal total = 0;
        for (qreal w : std::as_const(widest)) {
            constraints.append(QTextLength(QTextLength::FixedLength, w * shrink + gap));
            total += w * shrink + gap;
        }
        f.setColumnWidthConstraints(constraints);
        f.setWidth(QTextLength(QTextLength::FixedLength, total));
        table->setFormat(f);
    }
}

void ReportDocument::setLetterSpacing(const QTextBlock& block, int percent) {
    QTextCursor c(doc_);
    c.setPosition(block.position());
    c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setFontLetterSpacingType(QFont::PercentageSpacing);
    f.setFontLetterSpacing(percent);
    c.mergeCharFormat(f);
}

void ReportDocument::fitLines() {
    QAbstractTextDocumentLayout* layout = doc_->documentLayout();
    for (int number : std::as_const(tightBlocks_))
        setLetterSpacing(doc_->findBlockByNumber(number), 100);
    tightBlocks_.clear();

    // Lines of a paragraph beyond those its own line breaks make.
    auto breaks = [layout](const QTextBlock& b) {
        layout->documentSize();
        const int wanted = static_cast<int>(b.text().count(QChar::LineSeparator)) + 1;
        return b.layout()->lineCount() > wanted;
    };
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        if (b.length() <= 1 || !breaks(b)) continue;
        setLetterSpacing(b, kTightestSpacing);
        if (breaks(b)) {
            setLetterSpacing(b, 100);
            continue;
        }
        // The widest spacing that keeps the paragraph on its lines.
        int fits = kTightestSpacing, breaksAt = 100;
        while (breaksAt - fits > 1) {
            const int mid = (fits + breaksAt) / 2;
            setLetterSpacing(b, mid);
            (breaks(b) ? breaksAt : fits) = mid;
        }
        setLetterSpacing(b, fits);
        tightBlocks_.append(b.blockNumber());
    }
}

void ReportDocument::run(const ReportOps& ops, const QImage& logo, const QImage& chart) {
    for (const DocOp& op : ops) {
        const QString text = fromUtf8(op.text);
        switch (op.kind) {
            case DocOpKind::Clear:
                clear();
                break;
            case DocOpKind::AddText:
                addText(text, op.textStyle);
                break;
            case DocOpKind::AddTab:
                addTab(op.textStyle, op.paraStyle);
                break;
            case DocOpKind::AddTextNL:
                addTextNL(text, op.textStyle, op.paraStyle, op.otherParaStyle);
                break;
            case DocOpKind::AddNL:
                addNL(text, op.textStyle, op.paraStyle);
                break;
            case DocOpKind::AddBreak:
                addBreak();
                break;
            case DocOpKind::AddPictureEx:
                addPictureEx(text, op.picture == ReportPicture::Logo ? logo : chart, op.paraStyle,
                             op.vAlign);
                break;
            case DocOpKind::AddTable:
                addTable(op.table);
                break;
            case DocOpKind::Format:
                format();
                break;
        }
    }
}

QString ReportDocument::plainText() const {
    QStringList lines;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        const QTextTable* table = QTextCursor(b).currentTable();
        if (!table) {
            lines << b.text();
            continue;
        }
        // A table's rows, then on after it.
        for (int r = 0; r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor range = cell.firstCursorPosition();
                range.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                cells << range.selectedText();
            }
            lines << cells.join(QLatin1Char('\t'));
        }
        b = table->lastCursorPosition().block();
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace otdr::gui
