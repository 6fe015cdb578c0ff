#include "ui/member_test_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "kinds/test_dialogs.h"
#include "kinds/test_outcome.h"
#include "platform/code_page.h"
#include "ui/ansi_text.h"
#include "ui/error_box.h"
#include "ui/form_style.h"

namespace keydesk {

TMemberTestForm::TMemberTestForm(const MemberTestActions& actions, QWidget* parent)
    : TestDialog(parent), actions_(actions) {
  setObjectName(QStringLiteral("TMemberTestForm"));
  setWindowTitle(QString::fromUtf8(kTestCaption));
  setFont(DialogFont());
  setFixedSize(441, 311);

  OpenPortBtn = NamedButton(this, "OpenPortBtn", "打开串口");
  beepBtn = NamedButton(this, "beepBtn", "Beep");
  ClosePortBtn = NamedButton(this, "ClosePortBtn", "关闭串口");
  ChannelCmb = new QComboBox(this);
  ChannelCmb->setObjectName(QStringLiteral("ChannelCmb"));
  ChannelCmb->setEditable(true);
  // Typed texts choose a channel too; they must not become items.
  ChannelCmb->setInsertPolicy(QComboBox::NoInsert);
  ChannelCmb->addItem(QString::fromUtf8(MemberTestActions::kHotelCardItem));
  ChannelCmb->addItem(QString::fromUtf8(MemberTestActions::kAllianceCardItem));
  ChannelCmb->setCurrentIndex(0);
  CardNoEdit = NamedEdit(this, "CardNoEdit");
  PasswordEdit = NamedEdit(this, "PasswordEdit");
  ReadCardBtn = NamedButton(this, "ReadCardBtn", "读卡");
  WriteCardBtn = NamedButton(this, "WriteCardBtn", "写卡");
  PrintCardBtn = NamedButton(this, "PrintCardBtn", "打印卡");
  ResultLbl = new QLabel(this);
  ResultLbl->setObjectName(QStringLiteral("ResultLbl"));
  ResultLbl->setWordWrap(true);

  auto* portRow = new QHBoxLayout;
  portRow->addWidget(OpenPortBtn);
  portRow->addWidget(beepBtn);
  portRow->addWidget(ClosePortBtn);
  portRow->addStretch(1);

  auto* fields = new QGridLayout;
  fields->setHorizontalSpacing(8);
  fields->setVerticalSpacing(12);
  fields->addWidget(new QLabel(QStringLiteral("类型"), this), 0, 0);
  fields->addWidget(ChannelCmb, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("卡号"), this), 1, 0);
  fields->addWidget(CardNoEdit, 1, 1);
  fields->addWidget(new QLabel(QStringLiteral("密码:"), this), 2, 0);
  fields->addWidget(PasswordEdit, 2, 1);
  fields->setColumnStretch(1, 1);

  auto* cardRow = new QHBoxLayout;
  cardRow->addWidget(ReadCardBtn);
  cardRow->addWidget(WriteCardBtn);
  cardRow->addWidget(PrintCardBtn);
  cardRow->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addLayout(portRow);
  layout->addStretch(1);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(cardRow);
  layout->addWidget(ResultLbl);

  const QList<QWidget*> tabOrder = {OpenPortBtn,  ClosePortBtn, CardNoEdit,
                                    PasswordEdit, ReadCardBtn,  WriteCardBtn,
                                    beepBtn,      ChannelCmb,   PrintCardBtn};
  for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  ConnectOutcome(OpenPortBtn, "打开串口", &MemberTestActions::OpenPort);
  ConnectOutcome(ClosePortBtn, "关闭串口", &MemberTestActions::ClosePort);
  ConnectOutcome(PrintCardBtn, "打印卡", &MemberTestActions::PrintCard);
  ConnectGuarded(this, beepBtn, &QPushButton::clicked, [this] {
    RunEncoderCall([this] { actions_.Beep(); });
    ShowOutcome(TestDoneText("Beep"));
  });
  connect(ReadCardBtn, &QPushButton::clicked, this, &TMemberTestForm::ReadCardBtnClick);
  connect(WriteCardBtn, &QPushButton::clicked, this, &TMemberTestForm::WriteCardBtnClick);
}

void TMemberTestForm::ConnectOutcome(QPushButton* button, const char* action,
                                     bool (MemberTestActions::*call)()) {
  ConnectGuarded(this, button, &QPushButton::clicked, [this, action, call] {
    const bool succeeded = RunEncoderCall([this, call] { return (actions_.*call)(); });
    ShowOutcome(TestOutcomeText(action, succeeded));
  });
}

void TMemberTestForm::ReadCardBtnClick() {
  // Nothing of an earlier card stays on screen while this one is read.
  CardNoEdit->clear();
  PasswordEdit->clear();
  ShowOutcome({});
  RunGuarded(this, [this] {
    MemberTestRead read;
    const std::string channel = ToAnsi(ChannelCmb->currentText());
    const bool succeeded = RunEncoderCall([&] { return actions_.ReadCard(channel, read); });
    CardNoEdit->setText(FromAnsi(read.CardNo));
    PasswordEdit->setText(FromAnsi(read.Password));
    ShowOutcome(MemberTestActions::ReadOutcome(succeeded, read));
  });
}

void TMemberTestForm::WriteCardBtnClick() {
  ShowOutcome({});
  RunGuarded(this, [this] {
    const std::string cardNo = ToAnsi(CardNoEdit->text());
    const std::string channel = ToAnsi(ChannelCmb->currentText());
    const bool written = RunEncoderCall([&] { return actions_.WriteCard(cardNo, channel); });
    ShowOutcome(MemberTestActions::WriteOutcome(written, cardNo));
  });
}

}  // namespace keydesk
