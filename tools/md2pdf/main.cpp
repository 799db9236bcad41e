// md2pdf: turns a Markdown file into a PDF with Qt's own text layout and PDF writer, so
// the help files need nothing beyond the Qt the program is built with.
//
//   md2pdf INPUT.md OUTPUT.pdf [TITLE]
//
// Pictures in the Markdown are found relative to the input file.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

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

  QTextDocument document;
  document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(input).absolutePath() + QLatin1Char('/')));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(10);
  document.setDefaultFont(font);
  document.setDefaultStyleSheet(QStringLiteral("code { font-family: monospace; }"));
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

  QPdfWriter writer(output);
  writer.setTitle(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QFileInfo(input).baseName());
  writer.setCreator(QStringLiteral("Tonvogel md2pdf"));
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter));
  document.print(&writer);
  if (!QFileInfo(output).isFile() || QFileInfo(output).size() == 0) {
    std::fprintf(stderr, "md2pdf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
