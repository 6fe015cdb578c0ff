#include "ui/card_test_controls.h"

#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "kinds/test_dialogs.h"
#include "ui/form_style.h"

namespace keydesk {

CardTestControls::CardTestControls(QDialog& dialog, const char* numberName, bool writeButtonAtRight)
    : OpenPortBtn(NamedButton(&dialog, "OpenPortBtn", "打开串口")),
      beepBtn(NamedButton(&dialog, "beepBtn", "Beep")),
      ClosePortBtn(NamedButton(&dialog, "ClosePortBtn", "关闭串口")),
      RoomBuildingCodeTxt(NamedEdit(&dialog, "RoomBuildingCodeTxt", kTestRoomBuildingCode)),
      RoomFloorCodeTxt(NamedEdit(&dialog, "RoomFloorCodeTxt", kTestRoomFloorCode)),
      RoomNoTxt(NamedEdit(&dialog, "RoomNoTxt", kTestRoomNo)),
      CheckInDateTimeTxt(NamedEdit(&dialog, "CheckInDateTimeTxt")),
      CheckOutDateTimeTxt(NamedEdit(&dialog, "CheckOutDateTimeTxt")),
      IsCopyCheckBox(new QCheckBox(QStringLiteral("复制"), &dialog)),
      WriteCardBtn(NamedButton(&dialog, "WriteCardBtn", "写卡")),
      NumberTxt(NamedEdit(&dialog, numberName)),
      ReadCardBtn(NamedButton(&dialog, "ReadCardBtn", "读卡")),
      EraseCardBtn(NamedButton(&dialog, "EraseCardBtn", "销卡")),
      ResultLbl(new QLabel(&dialog)) {
  ResultLbl->setObjectName(QStringLiteral("ResultLbl"));
  ResultLbl->setWordWrap(true);
  IsCopyCheckBox->setObjectName(QStringLiteral("IsCopyCheckBox"));

  auto* portRow = new QHBoxLayout;
  portRow->addWidget(OpenPortBtn);
  portRow->addWidget(beepBtn);
  portRow->addWidget(ClosePortBtn);
  portRow->addStretch(1);

  auto* roomRow = new QHBoxLayout;
  roomRow->addWidget(CaptionLabel(&dialog, "楼号:"));
  roomRow->addWidget(RoomBuildingCodeTxt);
  roomRow->addSpacing(12);
  roomRow->addWidget(CaptionLabel(&dialog, "楼层:"));
  roomRow->addWidget(RoomFloorCodeTxt);
  roomRow->addSpacing(12);
  roomRow->addWidget(CaptionLabel(&dialog, "房号:"));
  roomRow->addWidget(RoomNoTxt);
  roomRow->addStretch(1);

  auto* timeRow = new QHBoxLayout;
  timeRow->addWidget(CaptionLabel(&dialog, "起始时间："));
  timeRow->addWidget(CheckInDateTimeTxt, 1);
  timeRow->addWidget(CaptionLabel(&dialog, "到"));
  timeRow->addWidget(CheckOutDateTimeTxt, 1);

  auto* writeRow = new QHBoxLayout;
  writeRow->addWidget(IsCopyCheckBox);
  if (writeButtonAtRight) {
    writeRow->addStretch(1);
    writeRow->addWidget(WriteCardBtn);
  } else {
    writeRow->addSpacing(12);
    writeRow->addWidget(WriteCardBtn);
    writeRow->addStretch(1);
  }

  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(CaptionLabel(&dialog, "卡号"));
  numberRow->addWidget(NumberTxt, 1);
  numberRow->addWidget(ReadCardBtn);
  numberRow->addWidget(EraseCardBtn);

  // The five rows spread evenly down the fixed dialog, the result line under them.
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(32, 32, 32, 16);
  for (QLayout* row : {portRow, roomRow, timeRow, writeRow}) {
    layout->addLayout(row);
    layout->addStretch(1);
  }
  layout->addLayout(numberRow);
  layout->addStretch(1);
  layout->addWidget(ResultLbl);
}

}  // namespace keydesk
