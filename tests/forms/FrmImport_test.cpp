// Import and export from the tools dialog: the open dialog, the preview and
// its choices, the progress and its cancel, the refreshed main window; the
// export's warning, password check and file.
#include "forms/FrmImport.h"

#include <gtest/gtest.h>

#include <fstream>

#include "forms/FrmTool.h"
#include "forms/FrmVerifyPassword.h"
#include "platform/files.h"
#include "support/app_fixture.h"
#include "text/date.h"
#include "transfer/Export.h"

using qm::forms::FrmImport;
using qm::forms::FrmTool;
using qm::forms::FrmVerifyPassword;
using Texts = std::vector<std::string>;

namespace {

class ImportFormTest : public qm::test::AppTest {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        std::ofstream(qm::test::PathOf(path), std::ios::binary) << bytes;
        return path;
    }
    // Imports `bytes` through the tools dialog, playing the user in the preview.
    void import(const std::string& bytes, std::function<void(FrmImport&)> preview) {
        host.os.chosenFiles = {write("in.csv", bytes)};
        host.OnModal<FrmImport>("FrmImport", std::move(preview));
        host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdImport.RaiseClick(); });
        forms->Main().CmdTool.RaiseClick();
    }
    std::vector<std::string> listColumn(size_t column) {
        auto& list = forms->Main().ListViewUser;
        std::vector<std::string> cells;
        for (size_t i = 0; i < list.Count(); ++i) cells.push_back(list.CellText(i, column));
        return cells;
    }
    size_t accounts() {
        app->RsData.Requery();
        return app->RsData.RecordCount();
    }
};

}  // namespace

TEST_F(ImportFormTest, ThePreviewSaysWhatItFoundAndTheMainWindowShowsTheImport) {
    logIn("amy");
    addAccount("网站帐号", "qq.com", "amy", "old");
    const std::string file = "name,url,username,password,note\r\nqq.com,https://qq.com,amy,new,\r\n"
                             "163,https://mail.163.com,bob,pw,n\r\n,,,,\r\nx,,,,only a note\r\n";
    std::string format, summary;
    import(file, [&](FrmImport& f) {
        format = f.lblFormat.Caption();
        summary = f.lblSummary.Caption();
        EXPECT_FALSE(f.PicMap.Visible());
        EXPECT_EQ(f.LvRows.Count(), 3u);
        EXPECT_EQ(f.LvRows.CellText(1, 6), qm::text::FormatIsoDate(host.os.today));  // as a new account is dated
        f.CbDuplicates.UserSelect(1);  // 导入为副本
        f.CmdStart.RaiseClick();
    });
    EXPECT_EQ(format, "文件格式:Chrome / Edge 浏览器");
    EXPECT_EQ(summary.substr(0, summary.find('\n')), "共 3 行:将导入 1 个帐号,跳过重复的 1 个,因其他原因跳过 1 个。");
    ASSERT_EQ(host.os.fileDialogs.size(), 1u);
    EXPECT_EQ(host.os.fileDialogs[0].title, "选择要导入的文件");
    EXPECT_EQ(host.os.fileDialogs[0].filter, "CSV 文件(*.csv)|*.csv|所有文件(*.*)|*.*");
    ASSERT_EQ(host.os.boxes.size(), 1u);
    EXPECT_EQ(host.os.boxes[0].text.rfind("导入完成", 0), 0u);
    EXPECT_NE(host.os.boxes[0].text.find("导入 2 个帐号"), std::string::npos);
    EXPECT_EQ(listColumn(1), (Texts{"qq.com", "qq.com (2)", "163"}));
    // The password went through the same place the record dialog's does.
    app->RsData.Filter("AccountName = '163'");
    const auto stored = app->Secrets.Open(qm::vault::Field::AccountPassword, app->RsData["AccountPassword"].Text(),
                                             app->RsData["AccountGuid"].Text());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->str(), "pw");
}

TEST_F(ImportFormTest, AnUnknownHeaderIsMappedByHandAndABadFileIsRefusedByLine) {
    logIn("amy");
    import("站点,登录,口令\r\nQQ,amy,pw\r\n", [](FrmImport& f) {
        EXPECT_TRUE(f.PicMap.Visible());
        EXPECT_FALSE(f.CmdStart.Enabled());  // nothing maps to a user name or password yet
        f.CbMap[1].UserSelect(1);            // 帐号名称 <- 站点
        f.CbMap[2].UserSelect(2);            // 用户名 <- 登录
        f.CbMap[3].UserSelect(3);            // 密码 <- 口令
        f.CmdStart.RaiseClick();
    });
    EXPECT_EQ(listColumn(1), (Texts{"QQ"}));
    // One column chosen for a second field leaves the first: no box shows a column that fills nothing.
    import("站点,登录,口令\r\nqq.com,bob,pw\r\n", [](FrmImport& f) {
        f.CbMap[1].UserSelect(1);  // 帐号名称 <- 站点
        f.CbMap[2].UserSelect(2);
        f.CbMap[3].UserSelect(3);
        f.CbMap[4].UserSelect(1);  // 网址 <- 站点
        EXPECT_EQ(f.CbMap[1].ListIndex(), 0);
        EXPECT_EQ(f.CbMap[4].ListIndex(), 1);
        EXPECT_EQ(f.LvRows.CellText(0, 5), "qq.com");
        f.CmdCancel.RaiseClick();
    });
    host.os.boxes.clear();
    bool previewed = false;
    import("url,username,password\r\n\"https://a,amy,pw\r\n", [&](FrmImport&) { previewed = true; });
    EXPECT_FALSE(previewed);
    EXPECT_EQ(boxTexts(), (Texts{"无法导入文件“in.csv”:\n\n第 2 行:引号没有结束。\n\n没有导入任何数据。"}));
    EXPECT_EQ(accounts(), 1u);
}

TEST_F(ImportFormTest, ALargeFileShowsItsProgressAndACancelWritesNothing) {
    logIn("amy");
    std::string file = "Title,Username,Password\r\n";
    for (size_t i = 0; i < FrmImport::kSliceRows * 2 + 5; ++i) file += "n" + std::to_string(i) + ",u,p\r\n";
    for (const bool cancel : {true, false}) {
        import(file, [&](FrmImport& f) {
            f.CmdStart.RaiseClick();
            EXPECT_TRUE(f.Progress.Visible());
            f.TmrWrite.RaiseTick();
            EXPECT_EQ(f.Progress.Value(), static_cast<int>(FrmImport::kSliceRows));
            if (cancel) return f.CmdCancel.RaiseClick();
            while (f.IsLoaded()) f.TmrWrite.RaiseTick();
        });
        EXPECT_EQ(accounts(), cancel ? 0u : FrmImport::kSliceRows * 2 + 5);
    }
    EXPECT_EQ(boxTexts()[0], "导入已取消,没有导入任何数据。");
}

TEST_F(ImportFormTest, ExportWarnsAsksThePasswordAndWritesTheFile) {
    logIn("amy", "secret1");
    addAccount("网站帐号", "qq, \"home\"", "amy", "p=1", "https://qq.com", "2008-3-5");
    const std::string path = dir.file("out.csv");
    const auto exportWith = [&](std::deque<int> answers, Texts passwords) {
        host.os.answers = std::move(answers);
        host.os.chosenFiles = {dir.file("out")};
        host.OnModal<FrmVerifyPassword>("FrmVerifyPassword", [passwords](FrmVerifyPassword& v) {
            for (const std::string& p : passwords) v.TxtPwd.SetText(p), v.CmdOK.RaiseClick();
        });
        host.OnModal<FrmTool>("FrmTool", [](FrmTool& t) { t.CmdExport.RaiseClick(); });
        forms->Main().CmdTool.RaiseClick();
    };
    exportWith({qm::platform::vbNo}, {"secret1"});
    exportWith({}, {"wrong1"});
    EXPECT_TRUE(host.os.fileDialogs.empty());
    EXPECT_FALSE(qm::platform::FileExists(path));
    exportWith({}, {"wrong1", "secret1"});
    ASSERT_EQ(host.os.fileDialogs.size(), 1u);
    EXPECT_EQ(host.os.fileDialogs[0].title, "保存导出文件");
    EXPECT_EQ(host.os.fileDialogs[0].defaultName, "Quillmere-导出-2026-12-07.csv");
    const auto& warning = host.os.boxes[0];
    EXPECT_EQ(warning.style, qm::platform::vbYesNo | qm::platform::vbExclamation);
    EXPECT_NE(warning.text.find("明文"), std::string::npos);
    EXPECT_EQ(boxTexts().back(), "导出完成,共导出 1 个帐号。");
    EXPECT_EQ(boxTexts()[boxTexts().size() - 2], "用户密码错误,请重新输入!");
    const auto bytes = qm::platform::ReadWholeFile(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "\xEF\xBB\xBFGroup,Title,Username,Password,URL,Notes,Created,TOTP\r\n"
              "网站帐号,\"qq, \"\"home\"\"\",amy,p=1,https://qq.com,,2008-03-05,\r\n");
}

// A screen too short for the preview takes the room from the rows: the
// choice for duplicates and the buttons stay under them, inside the dialog.
TEST_F(ImportFormTest, AShortClientAreaTakesTheRoomFromTheRows) {
    logIn("amy");
    import("name,url,username,password,note\r\nqq.com,https://qq.com,amy,new,\r\n", [&](FrmImport& f) {
        const struct {
            int height, rowsBottom;
        } rows[] = {{8100, 6900}, {7500, 6300}, {3000, 4620}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.height);
            f.ClientSized(10200, row.height);
            EXPECT_EQ(f.LvRows.Top(), 1620) << "the rows start under the counts";
            EXPECT_EQ(f.LvRows.Top() + f.LvRows.Height(), row.rowsBottom);
            EXPECT_EQ(f.CbDuplicates.Top(), row.rowsBottom + 150);
            EXPECT_EQ(f.CmdCancel.Top(), f.CmdStart.Top());
            if (row.height > 3000) {
                EXPECT_EQ(f.CmdCancel.Top() + f.CmdCancel.Height(), row.height - 660);
            }
        }
        f.CmdCancel.RaiseClick();
    });
}
