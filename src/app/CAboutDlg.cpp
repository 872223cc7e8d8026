#include "app/CAboutDlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Version.h"

namespace folidex {

QString CAboutDlg::HistoryText() {
  QString text;
  for (Msg id : {Msg::VersionHistory104, Msg::VersionHistory103, Msg::VersionHistory102, Msg::VersionHistory101,
                 Msg::VersionHistory100})
    text += QString::fromUtf8(MessageTextUtf8(id)) + QStringLiteral("\r\n");
  return text;
}

CAboutDlg::CAboutDlg(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("CAboutDlg"));
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* name = new QLabel(
      QStringLiteral("<b>フォリデクス</b>&nbsp;&nbsp;Folidex&nbsp;&nbsp;バージョン ") + QString::fromLatin1(kVersion),
      this);
  name->setObjectName(QStringLiteral("IDC_APP_NAME"));
  auto* icon = new QLabel(this);
  const QIcon appIcon = QApplication::windowIcon();
  icon->setPixmap((appIcon.isNull() ? QIcon::fromTheme(QStringLiteral("x-office-document")) : appIcon).pixmap(32, 32));
  auto* head = new QHBoxLayout;
  head->addWidget(icon);
  head->addWidget(name, 1);
  // The history names the systems of earlier versions; this line says where this build runs.
  auto* system = new QLabel(
      QStringLiteral("動作環境: %1（Qt %2）").arg(QSysInfo::prettyProductName(), QString::fromLatin1(qVersion())),
      this);
  system->setObjectName(QStringLiteral("IDC_SYSTEM"));

  auto* history = new QPlainTextEdit(this);
  history->setObjectName(QStringLiteral("IDC_HISTORY"));
  history->setReadOnly(true);
  QString shown = HistoryText();
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  history->setPlainText(shown.trimmed());
  history->setMinimumSize(420, 110);

  auto* ok = new QPushButton(QStringLiteral("確認 (&Y)"), this);
  ok->setObjectName(QStringLiteral("IDOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* foot = new QHBoxLayout;
  foot->addStretch(1);
  foot->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(system);
  layout->addWidget(history);
  layout->addLayout(foot);
}

}  // namespace folidex
