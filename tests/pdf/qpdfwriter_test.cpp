// A PDF written by Qt's own PDF producer, read back by the information reader.

#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "common/Cp932.h"
#include "pdf/PdfInfo.h"
#include "support/TestSupport.h"

class QPdfWriterRoundTrip : public QObject {
  Q_OBJECT

 private slots:
  void japaneseTitleIsReadBack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("報告書.pdf"));
    {
      QPdfWriter writer(path);
      writer.setTitle(QStringLiteral("山田の年次報告書 (2010)"));
      writer.setCreator(QStringLiteral("Folidex tests"));
      QPainter painter(&writer);
      painter.drawText(QPointF(100, 100), QStringLiteral("本文のテキスト"));
    }
    // A real producer's output is a good seed for the fuzz target's corpus.
    if (const QString corpus = qEnvironmentVariable("FOLIDEX_FUZZ_CORPUS"); !corpus.isEmpty()) {
      QDir().mkpath(corpus);
      QFile::remove(corpus + QStringLiteral("/qpdfwriter.pdf"));
      QFile::copy(path, corpus + QStringLiteral("/qpdfwriter.pdf"));
    }
    folidex::test::ScriptedPrompter prompter;
    folidex::IndexRecord record;
    const std::string cp932Path = folidex::FromNativePath(path.toStdString());
    QCOMPARE(folidex::PdfInfo(prompter).ReadInfo(cp932Path, record), 1);
    QVERIFY(prompter.shown.empty());
    QCOMPARE(folidex::Cp932ToUtf8(record[folidex::FieldTag::PT]), std::string("山田の年次報告書 (2010)"));
    // Whatever form the producer wrote its dates in, a date read is in the record's form.
    static const QRegularExpression dateForm(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    for (folidex::FieldTag tag : {folidex::FieldTag::PC, folidex::FieldTag::PM}) {
      const std::string& date = record[tag];
      if (!date.empty()) QVERIFY2(dateForm.match(QString::fromStdString(date)).hasMatch(), date.c_str());
    }
  }
};

QTEST_MAIN(QPdfWriterRoundTrip)
#include "qpdfwriter_test.moc"
