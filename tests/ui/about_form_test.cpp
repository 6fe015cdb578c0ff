#include "ui/about_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

namespace keydesk {
namespace {

struct KindTexts {
  int kind;
  const char* caption;
  const char* title;
};

class AboutFormKindTest : public ::testing::TestWithParam<KindTexts> {};

TEST_P(AboutFormKindTest, NamesTheInterfaceThenTheVersionAndTheMaker) {
  const KindTexts& expected = GetParam();
  TAboutForm form(expected.kind);

  EXPECT_EQ(form.windowTitle(), QString::fromUtf8(expected.caption));
  EXPECT_EQ(form.lblAppTitle->text(), QString::fromUtf8(expected.title));
  EXPECT_EQ(form.lblVersion->text(), QStringLiteral("版本 1.0.0.0"));
  EXPECT_TRUE(form.lblCopyright->text().contains(QStringLiteral("MarveskOxbel")));
  EXPECT_TRUE(form.lblCompany->text().contains(QStringLiteral("MarveskOxbel")));
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, AboutFormKindTest,
    ::testing::Values(KindTexts{1, "关于 MarveskOxbel门锁接口", "MarveskOxbel门锁接口"},
                      KindTexts{2, "关于 MarveskOxbel公安接口", "MarveskOxbel公安接口"},
                      KindTexts{3, "关于 MarveskOxbel会员卡接口", "MarveskOxbel会员卡接口"},
                      KindTexts{4, "关于 MarveskOxbel手牌接口", "MarveskOxbel手牌接口"}),
    [](const ::testing::TestParamInfo<KindTexts>& info) {
      return "Kind" + std::to_string(info.param.kind);
    });

TEST(AboutFormTest, AnUnknownKindKeepsTheDesignCaption) {
  TAboutForm form(9);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("关于..."));
  EXPECT_EQ(form.lblVersion->text(), QStringLiteral("版本 1.0.0.0"));
}

TEST(AboutFormTest, IsTheFixedBoxWithPictureDisabledMemoAndOKButton) {
  TAboutForm form(1);
  EXPECT_EQ(form.size(), QSize(413, 262));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.picture->pixmap().size(), QSize(132, 238));
  EXPECT_EQ(form.mmo->size(), QSize(245, 125));
  EXPECT_FALSE(form.mmo->isEnabled());
  EXPECT_TRUE(form.mmo->toPlainText().isEmpty());
  EXPECT_EQ(form.mmo->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  EXPECT_EQ(form.btnOK->text(), QStringLiteral("确定(&O)"));
  form.btnOK->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace keydesk
