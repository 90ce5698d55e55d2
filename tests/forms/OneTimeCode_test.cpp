// One-time codes through the program's own forms: a secret set in the record
// dialog and stored like the password for both kinds of user, the code of the
// moment shown, copied and typed by the hot key, and a damaged secret told and
// never turned into a code.
#include <gtest/gtest.h>

#include "forms/FrmData.h"
#include "forms/FrmOtp.h"
#include "forms/FrmProtect.h"
#include "forms/FrmSetting.h"
#include "otp/Code.h"
#include "qr_matrices.h"  // drawn by qrencode at build time
#include "support/tray_fixture.h"

using qm::forms::FrmData;
using qm::forms::FrmOtp;
using Texts = std::vector<std::string>;

namespace {

constexpr int kLAlt = 164;
// RFC 6238's SHA-1 seed; eight digits give its published codes.
const std::string kAddress = "otpauth://totp/Example:amy?secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ&issuer=Example&digits=8";
constexpr const char* kDamaged = "该动态码已损坏,无法使用!";

std::string codeAt(int64_t t) { return qm::otp::CodeAt(*qm::otp::ParseSecret(kAddress).params, t); }

class OtpTest : public qm::test::TrayTest {
protected:
    OtpTest() { app->Secrets.Cost = {1, 64 * 1024}; }
    void fresh() {
        restart();
        app->Tray = &tray;
        app->Secrets.Cost = {1, 64 * 1024};
    }

    qm::platform::FakeKeyboardHook& keyboard() { return host.os.keyboard; }
    // An account whose secret is set through the record dialog's "设置...".
    void addWithSecret(const std::string& name, const std::string& secret) {
        host.OnModal<FrmOtp>("FrmOtp", [secret](FrmOtp& o) {
            o.TxtSecret.SetText(secret);
            o.CmdOK.RaiseClick();
        });
        host.OnModal<FrmData>("FrmData", [name](FrmData& d) {
            d.CbAccountType.SetText("其它");
            d.TxtAccountName.SetText(name);
            d.TxtAccountID.SetText("amy");
            d.TxtAccountPassword.SetText("pw");
            d.CmdOtpSet.RaiseClick();
            d.CmdSave.RaiseClick();
        });
        main().CmdAdd.RaiseClick();
    }
    void protect(bool on) {
        host.OnModal<qm::forms::FrmSetting>("FrmSetting", [on](qm::forms::FrmSetting& s) {
            s.ChkStrongProtection.SetValue(on ? qm::ui::CheckBox::Checked : qm::ui::CheckBox::Unchecked);
            s.CmdOK.RaiseClick();
        });
        host.OnModal<qm::forms::FrmProtect>("FrmProtect", [](qm::forms::FrmProtect& p) {
            p.TxtPwd.SetText("secret1");
            p.CmdOK.RaiseClick();
        });
        main().CmdSet.RaiseClick();
        ASSERT_EQ(app->Secrets.Protected(), on);
    }
    void select(const std::string& name) {
        auto& list = main().ListViewUser;
        for (size_t i = 0; i < list.Count(); ++i)
            if (list.Item(i).SubItems[0] == name) list.Select(static_cast<int>(i));
    }
    std::string storedSecret(const std::string& name) {
        qm::store::Recordset rs;
        rs.Open("select OtpSecret from AccountData where AccountName = '" + name + "'", app->DbConn);
        return rs["OtpSecret"].Text();
    }
    void storeSecret(const std::string& name, const std::string& stored) {
        app->DbConn.Execute("update AccountData set OtpSecret = '" + stored + "' where AccountName = '" + name + "'");
        main().RequeryData();
    }
    // What the look mode's row shows: the code (its halves joined), the
    // seconds left, and the box (shown only when no code is).
    struct Row {
        std::string code, left, box;
    };
    Row look(const std::string& name, std::function<void(FrmData&)> then = {}) {
        select(name);
        Row row;
        host.OnModal<FrmData>("FrmData", [&](FrmData& d) {
            if (d.lblOtpCode.Visible()) {
                row.code = d.lblOtpCode.Caption();
                row.code.erase(std::remove(row.code.begin(), row.code.end(), ' '), row.code.end());
                row.left = d.lblOtpLeft.Caption();
            }
            if (d.TxtOtp.Visible()) row.box = d.TxtOtp.Text();
            if (then) then(d);
            if (d.IsLoaded()) d.CmdCancel.RaiseClick();
        });
        main().CmdLook.RaiseClick();
        return row;
    }
    // Alt+4 as a hand presses it; true when the 4 was swallowed.
    bool codeKey() {
        keyboard().Press(kLAlt);
        const bool swallowed = keyboard().Press('4');
        keyboard().Release('4');
        keyboard().Release(kLAlt);
        return swallowed;
    }
};

}  // namespace

TEST_F(OtpTest, EitherUsersSecretIsStoredLikeThePasswordAndLookShowsTheCodeOfTheMoment) {
    const struct {
        const char* user;
        bool protectFirst, protectAfter, unprotectAfter;
    } rows[] = {{"fixed-key forms", false, false, false}, {"protected when set", true, false, false},
                {"protected later: sealed again", false, true, false}, {"protected, then not", true, false, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.user);
        fresh();
        logIn("amy");
        if (r.protectFirst) protect(true);
        addWithSecret("bank", kAddress);
        addAccount("其它", "mail", "amy", "pw2");
        if (r.protectAfter) protect(true);
        if (r.unprotectAfter) protect(false);
        const std::string stored = storedSecret("bank");
        EXPECT_EQ(stored.find("GEZDGNBVGY3TQOJQ"), std::string::npos) << "never stored as typed";
        EXPECT_EQ(stored.starts_with(qm::vault::kBoundPrefix), app->Secrets.Protected());
        EXPECT_EQ(storedSecret("mail"), "") << "no secret is stored as nothing";

        const struct {
            int64_t time;
            const char* code;
            const char* left;
        } moments[] = {{59, "94287082", "剩余 1 秒"}, {1111111111, "14050471", "剩余 29 秒"}, {1234567890, "89005924", "剩余 30 秒"}};
        for (const auto& m : moments) {
            host.os.nowUtc = m.time;
            const Row shown = look("bank");
            EXPECT_EQ(shown.code, m.code);
            EXPECT_EQ(shown.left, m.left);
            EXPECT_EQ(shown.code, codeAt(m.time));
        }
        EXPECT_EQ(look("mail").box, "未设置");
        EXPECT_EQ(look("mail").code, "");
    }
}

TEST_F(OtpTest, TheTimerFollowsTheClockAndADoubleClickCopiesTheCodeOfThatMoment) {
    logIn("amy");
    addWithSecret("bank", kAddress);
    host.os.nowUtc = 58;
    look("bank", [&](FrmData& d) {
        EXPECT_EQ(d.lblOtpLeft.Caption(), "剩余 2 秒");
        ASSERT_TRUE(d.TmrOtp.Enabled());
        host.os.nowUtc = 1111111111;
        d.TmrOtp.RaiseTick();
        EXPECT_EQ(d.lblOtpCode.Caption(), "1405 0471");
        host.os.nowUtc = 2000000000;  // the step changed since the last tick
        d.lblOtpCode.RaiseDblClick();
        EXPECT_EQ(host.os.clipboard, "69279037");
        EXPECT_EQ(d.lblOtpCode.Caption(), "6927 9037");
        d.CmdEdit.RaiseClick();
        EXPECT_FALSE(d.TmrOtp.Enabled()) << "editing shows what is set, not codes";
        EXPECT_EQ(d.TxtOtp.Text(), "Example (amy)");
        EXPECT_TRUE(d.CmdOtpSet.Visible());
    });
    EXPECT_EQ(boxTexts(), Texts{"动态码已复制到系统剪贴板!"});
}

TEST_F(OtpTest, TheDialogShowsWhatItReadsRefusesABadSecretAndClearsOrKeeps) {
    logIn("amy");
    addWithSecret("bank", kAddress);
    const struct {
        const char* typed;
        const char* issuer;  // what the first line says
        const char* digits;
    } typed[] = {{"JBSWY3DPEHPK3PXP", "发行方: ", "位数: 6"},
                 {"otpauth://totp/ACME%20Co:bob?secret=JBSWY3DPEHPK3PXP&period=60", "发行方: ACME Co", "位数: 6"},
                 {"steam://JBSWY3DPEHPK3PXP", "发行方: ", "位数: 5 (Steam)"},
                 {"JBSWY3DPEHPK3PX1", "动态码密钥无效: ", ""},
                 {"otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP", "动态码密钥无效: ", ""}};
    select("bank");
    host.OnModal<FrmOtp>("FrmOtp", [&](FrmOtp& o) {
        EXPECT_EQ(o.TxtSecret.Text().find("GEZDGNBVGY3TQOJQ") != std::string::npos, true) << "the secret it has";
        for (const auto& t : typed) {
            SCOPED_TRACE(t.typed);
            o.TxtSecret.SetText(t.typed);
            EXPECT_TRUE(o.lblIssuer.Caption().starts_with(t.issuer)) << o.lblIssuer.Caption();
            EXPECT_EQ(o.lblDigits.Caption(), t.digits);
            EXPECT_EQ(o.lblIssuer.ForeColor() != 0, *t.digits == '\0') << "a refusal is told in red, a reading in black";
        }
        o.CmdOK.RaiseClick();  // the last: refused
        EXPECT_TRUE(o.IsLoaded());
        o.CmdCancel.RaiseClick();
    });
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        d.CmdOtpSet.RaiseClick();
        EXPECT_EQ(d.TxtOtp.Text(), "Example (amy)") << "cancel keeps it";
        d.CmdSave.RaiseClick();
    });
    main().CmdEdit.RaiseClick();
    ASSERT_EQ(boxTexts().size(), 1u);
    EXPECT_TRUE(boxTexts()[0].starts_with("动态码密钥无效: ")) << boxTexts()[0];
    EXPECT_EQ(look("bank").code, codeAt(host.os.nowUtc));

    host.OnModal<FrmOtp>("FrmOtp", [](FrmOtp& o) { o.CmdClear.RaiseClick(); });
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        d.CmdOtpSet.RaiseClick();
        EXPECT_EQ(d.TxtOtp.Text(), "未设置");
        d.CmdSave.RaiseClick();
    });
    main().CmdEdit.RaiseClick();
    EXPECT_EQ(storedSecret("bank"), "");
}

TEST_F(OtpTest, TheScreensQrCodeFillsTheBoxWithTheProgramOffTheScreen) {
    logIn("amy");
    host.OnModal<FrmOtp>("FrmOtp", [&](FrmOtp& o) {
        // A site's set-up page: its code drawn four pixels a module on white.
        const QrMatrix& m = kQrMatrices[0];
        ASSERT_EQ(std::string(m.name), "otpauth");
        qm::platform::GreyImage page{400, 400, qm::platform::WipedBytes(400 * 400, 255)};
        for (int y = 0; y < m.size * 4; ++y)
            for (int x = 0; x < m.size * 4; ++x)
                if (m.rows[y / 4][x / 4] == '#') page.pixels[size_t(y + 40) * 400 + size_t(x + 40)] = 0;
        host.os.screen = page;
        o.CmdScan.RaiseClick();
        EXPECT_EQ(host.os.screenCaptures, 1);
        EXPECT_FALSE(host.hidden) << "the windows are back";
        EXPECT_EQ(host.hides, 2);
        EXPECT_EQ(o.TxtSecret.Text(), m.payload);
        EXPECT_EQ(o.lblIssuer.Caption(), "发行方: Example Co");
        host.os.screen = qm::platform::GreyImage{64, 64, qm::platform::WipedBytes(64 * 64, 255)};
        o.CmdScan.RaiseClick();
        EXPECT_EQ(o.TxtSecret.Text(), m.payload) << "kept when nothing is found";
        host.os.screen.reset();  // the screen could not be read
        o.CmdScan.RaiseClick();
        o.CmdCancel.RaiseClick();
    });
    host.OnModal<FrmData>("FrmData", [](FrmData& d) {
        d.CmdOtpSet.RaiseClick();
        d.CmdCancel.RaiseClick();
    });
    main().CmdAdd.RaiseClick();
    EXPECT_EQ(boxTexts(), Texts(2, qm::forms::kNoQrOnScreen));
}

TEST_F(OtpTest, TheHotKeyTypesTheCodeOfThePressAndNothingWhileLocked) {
    logIn("amy");
    protect(true);
    addWithSecret("bank", kAddress);
    addAccount("其它", "mail", "amy", "pw2");
    select("mail");
    chooseFromList("mnuCopyShortcut");
    EXPECT_FALSE(codeKey()) << "an account without a secret leaves the key to the user";
    EXPECT_TRUE(keyboard().typed.empty());

    select("bank");
    host.os.nowUtc = 59;
    chooseFromList("mnuCopyShortcut");
    host.os.nowUtc = 1111111111;  // armed at one moment, pressed at another
    EXPECT_TRUE(codeKey());
    host.os.nowUtc = 20000000000;
    EXPECT_TRUE(codeKey());
    EXPECT_EQ(keyboard().typed, (Texts{"14050471", "65353130"}));
    EXPECT_EQ(keyboard().typedWhileAnswering, 0);

    chooseFromTray("mnuLock");
    keyboard().typed.clear();
    EXPECT_TRUE(codeKey());
    EXPECT_TRUE(keyboard().typed.empty());
    EXPECT_TRUE(unlockDialogOpen());
    forms->LoosenLock().TxtPwd.SetText("secret1");
    forms->LoosenLock().CmdUntie.RaiseClick();
    host.os.nowUtc = 1234567890;
    EXPECT_TRUE(codeKey());
    EXPECT_EQ(keyboard().typed, Texts{"89005924"});
}

TEST_F(OtpTest, TheMenuCopiesTheCodeOnlyForAnAccountWithASecret) {
    logIn("amy");
    addWithSecret("bank", kAddress);
    addAccount("其它", "mail", "amy", "pw2");
    host.os.clipboard = "keep";
    select("mail");
    chooseFromList("mnuCopyOtp");
    EXPECT_FALSE(menu().mnuCopyOtp.Enabled());
    EXPECT_EQ(host.os.clipboard, "keep");
    select("bank");
    host.os.nowUtc = 1111111111;
    chooseFromList("mnuCopyOtp");
    EXPECT_TRUE(menu().mnuCopyOtp.Enabled());
    EXPECT_EQ(host.os.clipboard, "14050471");
}

TEST_F(OtpTest, ADamagedOrMovedSecretIsToldEverywhereAndGivesNoCode) {
    const struct {
        const char* what;
        bool protect;
        // The stored text given to "bank", from its own and "shop"'s stored secrets.
        std::function<std::string(const std::string& own, const std::string& other)> damage;
    } rows[] = {
        {"a flipped character", true,
         [](std::string own, const std::string&) { return own.replace(12, 1, own[12] == 'A' ? "B" : "A"); }},
        {"another account's sealed secret", true, [](const std::string&, const std::string& other) { return other; }},
        {"a scrambled text that reads as no secret", false, [](const std::string&, const std::string&) {
             return qm::crypto::clsSimpleXOR().EncryptString("not a secret", qm::crypto::kAccountPasswordKey);
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        fresh();
        logIn("amy");
        if (r.protect) protect(true);
        addWithSecret("bank", kAddress);
        addWithSecret("shop", "JBSWY3DPEHPK3PXP");
        const std::string damaged = r.damage(storedSecret("bank"), storedSecret("shop"));
        storeSecret("bank", damaged);
        host.os.boxes.clear();
        host.os.clipboard = "keep";
        const Row shown = look("bank");
        EXPECT_EQ(shown.code, "");
        EXPECT_EQ(shown.box, kDamaged);
        select("bank");
        chooseFromList("mnuCopyOtp");
        chooseFromList("mnuCopyShortcut");
        EXPECT_TRUE(codeKey());
        EXPECT_TRUE(keyboard().typed.empty());
        EXPECT_EQ(boxTexts(), Texts(2, kDamaged));
        EXPECT_EQ(host.os.clipboard, "keep");
        host.OnModal<FrmData>("FrmData", [](FrmData& d) { d.CmdSave.RaiseClick(); });
        main().CmdEdit.RaiseClick();
        EXPECT_EQ(storedSecret("bank"), damaged) << "a save that left it alone writes nothing over it";
        EXPECT_EQ(look("shop").box, "");
    }
}

TEST_F(OtpTest, TheFifthHotKeyIsAltNum4UntilTheUserCapturesAnother) {
    logIn("amy");
    host.OnModal<qm::forms::FrmSetting>("FrmSetting", [](qm::forms::FrmSetting& s) {
        EXPECT_EQ(s.TxtShortcutKey[4].Text(), "Alt + Num 4");
        s.TxtShortcutKey[4].SetFocus();
        qm::ui::KeyEvent down{'7', 2};
        s.TxtShortcutKey[4].KeyDown(down);
        qm::ui::KeyEvent up{'7', 0};
        s.TxtShortcutKey[4].KeyUp(up);
        s.CmdOK.RaiseClick();
    });
    main().CmdSet.RaiseClick();
    EXPECT_EQ(app->Options.Get("ShortcutOtp"), "2|55");
    EXPECT_EQ(app->HotKeys.HotKeyTable[4].ModifierKey, 162);
    EXPECT_EQ(app->HotKeys.HotKeyTable[4].KeyCode, '7');
}
