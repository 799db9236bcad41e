#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

// One QApplication on the offscreen platform with a single screen of 800 × 480 pixels, the
// size of a small touch screen, whatever the environment asks for.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QTemporaryDir folder;
  const QString config = folder.filePath("small-screen.json");
  QFile file(config);
  if (!file.open(QIODevice::WriteOnly)) return 1;
  file.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 800, "height": 480,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
