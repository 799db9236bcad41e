// md2pdf: turns a Markdown file into a PDF with Qt's own text layout and PDF writer, so
// the help files need nothing beyond the Qt the program is built with.
//
//   md2pdf INPUT.md OUTPUT.pdf [TITLE]
//
// Pictures in the Markdown are found relative to the input file.

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextLayout>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Screenshots are drawn this many times their size in pixels, each pixel a square of
// device pixels, so that they stay crisp when the page is zoomed or printed: a viewer
// smooths a 96-dpi picture into a blur.
constexpr int kPictureMagnification = 3;

// The page number's line below the text, in millimetres.
constexpr qreal kFooterMm = 10;

struct Picture {
  int position;
  int length;
  QTextImageFormat format;
};

std::vector<Picture> picturesOf(const QTextDocument& document) {
  std::vector<Picture> pictures;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.isValid() && fragment.charFormat().isImageFormat())
        pictures.push_back(
            {fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
    }
  return pictures;
}

// Puts every picture in as a resource, so that a missing one stops the build instead of
// leaving a hole in the help file, and sizes it. Sizes are in 96-dpi pixels, which the
// layout scales to the writer's resolution: a picture gets the size it has on a screen,
// or the width of the text where that is less.
bool loadPictures(QTextDocument& document, const QString& folder, qreal textWidth) {
  for (Picture& picture : picturesOf(document)) {
    const QString name = picture.format.name();
    const QString path = QUrl(name).isRelative() ? folder + QLatin1Char('/') + name : name;
    const QImage image(path);
    if (image.isNull()) {
      std::fprintf(stderr, "md2pdf: cannot read the picture %s\n", qPrintable(path));
      return false;
    }
    // Resources are looked up by the name resolved against the base URL.
    document.addResource(
        QTextDocument::ImageResource, document.baseUrl().resolved(QUrl(name)),
        image.convertToFormat(QImage::Format_RGB32)
            .scaled(image.size() * kPictureMagnification, Qt::IgnoreAspectRatio,
                    Qt::FastTransformation));
    const qreal scale = std::min<qreal>(1, textWidth / image.width());
    picture.format.setWidth(std::floor(image.width() * scale));
    picture.format.setHeight(std::floor(image.height() * scale));
    QTextCursor cursor(&document);
    cursor.setPosition(picture.position);
    cursor.setPosition(picture.position + picture.length, QTextCursor::KeepAnchor);
    cursor.setCharFormat(picture.format);
  }
  return true;
}

bool isHeading(const QTextBlock& block) { return block.blockFormat().headingLevel() > 0; }

bool isPicture(const QTextBlock& block) {
  for (auto it = block.begin(); !it.atEnd(); ++it)
    if (it.fragment().charFormat().isImageFormat()) return true;
  return false;
}

// Lays the document out on pages of `page` (device units of `device`), the page
// margins being the writer's own.
void layOut(QTextDocument& document, QPaintDevice& device, const QSizeF& page) {
  document.documentLayout()->setPaintDevice(&device);
  QTextFrameFormat frame = document.rootFrame()->frameFormat();
  frame.setMargin(0);
  document.rootFrame()->setFrameFormat(frame);
  document.setPageSize(page);
}

// The page a block's first line starts on (or ends on, for `bottom`).
int pageOf(const QTextDocument& document, const QTextBlock& block, qreal pageHeight,
           bool bottom) {
  qreal y = document.documentLayout()->blockBoundingRect(block).top();
  if (const QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0) {
    const QTextLine line = layout->lineAt(0);
    y += bottom ? line.y() + line.height() : line.y();
  }
  return static_cast<int>(y / pageHeight);
}

bool breaksBefore(const QTextBlock& block) {
  return block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

bool keptWithNext(const QTextBlock& block) { return isHeading(block) || isPicture(block); }

// A heading stays on the page of what follows it, and a picture on the page of its
// caption: where the layout parts them, the page breaks before the first of the run of
// blocks that belong together. Each break moves all that follows, so the pages are
// measured again until nothing is parted (or a run is longer than a page, when nothing
// can be done). Measured on a copy laid out afresh each time: a layout changed after it
// was made loses the blocks after a table, so the document itself is laid out only once
// it is final.
void keepTogether(QTextDocument& document, QPaintDevice& device, const QSizeF& page) {
  for (int round = 0; round < 50; ++round) {
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setBaseUrl(document.baseUrl());
    layOut(*copy, device, page);
    int breakAt = -1;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
      const QTextBlock next = block.next();
      if (!next.isValid() || !keptWithNext(block)) continue;
      if (pageOf(*copy, block, page.height(), false) == pageOf(*copy, next, page.height(), true))
        continue;
      QTextBlock first = block;
      while (!breaksBefore(first) && first.previous().isValid() && keptWithNext(first.previous()))
        first = first.previous();
      if (breaksBefore(first) || first == copy->begin()) continue;
      breakAt = first.blockNumber();
      break;
    }
    if (breakAt < 0) return;
    const QTextBlock target = document.findBlockByNumber(breakAt);
    QTextBlockFormat format = target.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(target).setBlockFormat(format);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: md2pdf INPUT.md OUTPUT.pdf [TITLE]\n", stderr);
    return 2;
  }
  // A build machine need not have a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  const QString input = QString::fromLocal8Bit(argv[1]);
  const QString output = QString::fromLocal8Bit(argv[2]);
  QFile file(input);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "md2pdf: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString markdown = QString::fromUtf8(file.readAll());

  QPdfWriter writer(output);
  writer.setTitle(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QFileInfo(input).baseName());
  writer.setCreator(QStringLiteral("Tonvogel md2pdf"));
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(18, 18, 18, 18 - kFooterMm),
                                   QPageLayout::Millimeter));
  // Laid out for the writer itself: fonts, pictures and margins at its resolution.
  const qreal dotsPerMm = writer.resolution() / 25.4;
  const qreal footer = kFooterMm * dotsPerMm;
  const QSizeF page(writer.width(), writer.height());
  const qreal textHeight = page.height() - footer;

  QTextDocument document;
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(input).absolutePath() + QLatin1Char('/')));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(10);
  document.setDefaultFont(font);
  document.setDefaultStyleSheet(QStringLiteral("code { font-family: monospace; }"));
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  const qreal textWidth96 = page.width() * 96 / writer.resolution();
  if (!loadPictures(document, QFileInfo(input).absolutePath(), textWidth96)) return 1;
  const QSizeF textPage(page.width(), textHeight);
  keepTogether(document, writer, textPage);
  layOut(document, writer, textPage);

  QPainter painter;
  if (!painter.begin(&writer)) {
    std::fprintf(stderr, "md2pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  // Screenshots are text: JPEG, the writer's default for pictures, blurs every letter.
  painter.setRenderHint(QPainter::LosslessImageRendering);
  QFont numberFont = font;
  numberFont.setPointSizeF(9);
  const int pages = document.pageCount();
  for (int n = 0; n < pages; ++n) {
    if (n > 0) writer.newPage();
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(page.width(), textHeight)));
    painter.translate(0, -n * textHeight);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, n * textHeight, page.width(), textHeight);
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
    painter.setFont(QFont(numberFont, &writer));
    painter.drawText(QRectF(0, textHeight, page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                     QString::number(n + 1));
  }
  painter.end();
  if (!QFileInfo(output).isFile() || QFileInfo(output).size() == 0) {
    std::fprintf(stderr, "md2pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
