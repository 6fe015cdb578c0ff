#include "ui/settings_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <fstream>

#include "app/system_settings.h"
#include "core/ipv4.h"
#include "message_box_recorder.h"
#include "platform/profile_file.h"
#include "sim_environment.h"
#include "temp_dir.h"
#include "ui/ansi_text.h"

namespace keydesk {
namespace {

using test::MessageBoxRecorder;
using ::testing::IsEmpty;

class SettingsFormTest : public ::testing::Test {
 protected:
  SettingsFormTest() {
    std::ofstream(file_, std::ios::binary)
        << "[SysOption]\r\nDoorlockPortNo=4001\r\nWriteLog=0\r\n"
           "[Network]\r\nAllowedHosts=10.0.0.1\r\nAccessLog=2\r\n";
  }

  MessageBoxRecorder boxes_;
  test::TempDir dir_;
  std::string file_ = dir_.File("Option.ini");
};

TEST_F(SettingsFormTest, EveryFieldIsARowWithItsCaptionAndABoxNamedAfterItsKey) {
  SystemSettings settings(file_);
  TSettingsForm form(settings);

  EXPECT_EQ(form.objectName(), QStringLiteral("TSettingsForm"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("系统设置"));
  EXPECT_EQ(form.btnOK->text(), QStringLiteral("确定"));
  EXPECT_EQ(form.btnCancel->text(), QStringLiteral("取消"));
  const auto labels = form.findChildren<QLabel*>();
  for (const SettingField& field : settings.Fields()) {
    SCOPED_TRACE(EntryName(field));
    QWidget* entry = form.findChild<QWidget*>(QString::fromStdString(EntryName(field)));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(std::ranges::any_of(labels, [&](const QLabel* label) {
      return label->text() == QString::fromUtf8(field.Caption) && label->buddy() == entry;
    }));
    if (field.Kind == SettingKind::Switch) {
      auto* box = qobject_cast<QCheckBox*>(entry);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->isChecked(), field.Value != "0");
    } else if (!field.Choices.empty()) {
      auto* list = qobject_cast<QComboBox*>(entry);
      ASSERT_NE(list, nullptr);
      EXPECT_TRUE(list->isEditable());
      EXPECT_EQ(list->currentText(), FromAnsi(field.Value));
      EXPECT_EQ(list->count(), static_cast<int>(field.Choices.size()));
    } else {
      auto* edit = qobject_cast<QLineEdit*>(entry);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(edit->text(), FromAnsi(field.Value));
    }
  }
  // Every group has its heading, in two columns side by side.
  for (const std::string& group : {"接口端口", "日志", "发卡记录", "网络与安全", "共享数据库"}) {
    EXPECT_TRUE(std::ranges::any_of(labels, [&](const QLabel* label) {
      return label->text() == QString::fromUtf8(group);
    })) << group;
  }
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("DoorlockPortNo"))->text(),
            QStringLiteral("4001"));
  EXPECT_FALSE(form.findChild<QCheckBox*>(QStringLiteral("WriteLog"))->isChecked());
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("AllowedHosts"))->text(),
            QStringLiteral("10.0.0.1"));
  // Any number but 0 switches on, as start-up reads it.
  EXPECT_TRUE(form.findChild<QCheckBox*>(QStringLiteral("AccessLog"))->isChecked());
}

TEST_F(SettingsFormTest, OKWithNothingTouchedWritesNothingNotEvenASwitchThatReadsOtherThanOne) {
  const std::string before = test::ReadFileBytes(file_);
  SystemSettings settings(file_);
  TSettingsForm form(settings);

  form.btnOK->click();

  EXPECT_EQ(form.result(), QDialog::Accepted);
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].icon, MessageBox::Icon::Information);
  EXPECT_EQ(boxes_.Shown()[0].text, QStringLiteral("没有改动。"));
  EXPECT_EQ(test::ReadFileBytes(file_), before);
}

TEST_F(SettingsFormTest, OKTakesATickedBoxAsOneAndCancelChangesNothing) {
  const std::string before = test::ReadFileBytes(file_);
  {
    SystemSettings settings(file_);
    TSettingsForm form(settings);
    form.findChild<QLineEdit*>(QStringLiteral("DoorlockPortNo"))->setText(QStringLiteral("1"));
    form.btnCancel->click();
    EXPECT_EQ(test::ReadFileBytes(file_), before);
  }
  SystemSettings settings(file_);
  TSettingsForm form(settings);
  form.findChild<QCheckBox*>(QStringLiteral("WriteLog"))->setChecked(true);
  form.btnOK->click();

  EXPECT_EQ(form.result(), QDialog::Accepted);
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("提示"));
  EXPECT_EQ(ProfileFile(file_).ReadString("SysOption", "WriteLog", ""), "1");
}

TEST_F(SettingsFormTest, TheListeningAddressIsChosenFromTheOffersAndTheStoreSetPartByPart) {
  SystemSettings settings(file_, {}, {*ParseIpv4("127.0.0.1"), *ParseIpv4("192.168.7.20")});
  TSettingsForm form(settings);
  auto* address = form.findChild<QComboBox*>(QStringLiteral("ListenAddress"));
  ASSERT_NE(address, nullptr);
  ASSERT_EQ(address->count(), 2);
  address->setCurrentIndex(1);
  form.findChild<QLineEdit*>(QStringLiteral("Connection.host"))->setText(QStringLiteral("db1"));
  form.btnOK->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(ProfileFile(file_).ReadString("Network", "ListenAddress", ""), "192.168.7.20");
  EXPECT_EQ(ProfileFile(file_).ReadString("Store", "Connection", ""), "host=db1");
  EXPECT_TRUE(settings.ListenerChanged());
}

TEST_F(SettingsFormTest, ARefusedHostIsOfferedAsABoxThatAddsItToTheAllowedHosts) {
  SystemSettings settings(file_, {{*ParseIpv4("10.0.0.9"), ConnectionRefusal::NotAllowed, 2}});
  TSettingsForm form(settings);
  auto* offer = form.findChild<QCheckBox*>(QStringLiteral("AllowRefusedHost"));
  ASSERT_NE(offer, nullptr);
  EXPECT_FALSE(offer->isChecked());
  offer->setChecked(true);
  form.btnOK->click();

  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(ProfileFile(file_).ReadString("Network", "AllowedHosts", ""), "10.0.0.1, 10.0.0.9");
}

}  // namespace
}  // namespace keydesk
