#include "ui/about_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace keydesk {
namespace {

TEST(AboutFormTest, ShowsTheGivenCaptionAndTitleThenTheVersionAndTheMaker) {
  TAboutForm form("关于 X接口", "X接口");

  EXPECT_EQ(form.windowTitle(), QStringLiteral("关于 X接口"));
  EXPECT_EQ(form.lblAppTitle->text(), QStringLiteral("X接口"));
  EXPECT_EQ(form.lblVersion->text(), QStringLiteral("版本 1.0.0.0"));
  EXPECT_TRUE(form.lblCopyright->text().contains(QStringLiteral("MarveskOxbel")));
  EXPECT_TRUE(form.lblCompany->text().contains(QStringLiteral("MarveskOxbel")));
}

TEST(AboutFormTest, IsTheFixedBoxWithPictureReadOnlyMemoAndOKButton) {
  TAboutForm form("关于...", "MarveskOxbel接口", "程序：keydesk\n数据文件夹：/srv/keydesk");
  EXPECT_EQ(form.size(), QSize(413, 262));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.picture->pixmap().size(), QSize(132, 238));
  EXPECT_EQ(form.mmo->size(), QSize(245, 125));
  EXPECT_TRUE(form.mmo->isReadOnly());
  EXPECT_EQ(form.mmo->toPlainText(), QStringLiteral("程序：keydesk\n数据文件夹：/srv/keydesk"));
  EXPECT_EQ(form.mmo->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  EXPECT_EQ(form.btnOK->text(), QStringLiteral("确定(&O)"));
  form.btnOK->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace keydesk
