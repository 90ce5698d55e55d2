#pragma once
// User maintenance, one dialog in three modes (the shared UserEditMode):
// rename the current user, change the password, or log the user out, which
// deletes the user with all of the user's data and ends the program.
#include "forms/Forms.h"
#include "ui/Form.h"

namespace qm::forms {

class FrmUser : public ui::Form {
public:
    explicit FrmUser(Forms& forms);

    // One panel per mode, in the order "edituser", "editpassword", "logout";
    // only the current mode's is shown.
    ui::PictureBox PicUserFunction[3]{{this, "PicUserFunction(0)"}, {this, "PicUserFunction(1)"}, {this, "PicUserFunction(2)"}};
    ui::Label lblCurrentUser{this, "lblCurrentUser"};
    ui::TextBox TxtCurrentUser{this, "TxtCurrentUser"};
    ui::Label lblNewUser{this, "lblNewUser"};
    ui::TextBox TxtNewUser{this, "TxtNewUser"};
    ui::Label lbloldPwd{this, "lbloldPwd"};
    ui::TextBox TxtoldPwd{this, "TxtoldPwd"};
    ui::Label lblNewPwd{this, "lblNewPwd"};
    ui::TextBox TxtNewPwd{this, "TxtNewPwd"};
    ui::Label lblVerifyPwd{this, "lblVerifyPwd"};
    ui::TextBox TxtVerifyPwd{this, "TxtVerifyPwd"};
    ui::Label lblPassStrength{this, "lblPassStrength"};
    ui::Shape ShapePass{this, "ShapePass"};
    ui::Label lblStrength{this, "lblStrength"};
    ui::Label lblTips1{this, "lblTips1"};
    ui::Label lblTips2{this, "lblTips2"};
    ui::Label lblLogoutPwd{this, "lblLogoutPwd"};
    ui::TextBox TxtLogoutPwd{this, "TxtLogoutPwd"};
    ui::CommandButton CmdOK{this, "CmdOK"};
    ui::CommandButton CmdCancel{this, "CmdCancel"};

    void CmdOK_Click();
    void CmdCancel_Click() { Unload(); }
    void TxtNewPwd_Change();

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    // 0, 1 or 2 for "edituser", "editpassword", "logout".
    int mode() const;
    bool isUsersPassword(const std::string& typed);
    void renameUser();
    void changePassword();
    void logOut();

    Forms& forms_;
    app::AppContext& app_;
};

}  // namespace qm::forms
