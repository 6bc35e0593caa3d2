// The camera names page: one title box per camera, each edited alone. A
// box's text reaches the image only when the user changes it, as Latin-1
// with its NUL inside the 32-byte field.
#pragma once

#include "setup/SetupPage.h"
#include "ui/SkinEdit.h"

class CCameraNamePage : public CSetupPage
{
    Q_OBJECT
public:
    static constexpr int kFirstBoxId = 530;
    static constexpr int kMaxChars = 30;
    // What a write may ever put in a field: the name and its NUL.
    static constexpr int kMaxStored = 31;

    CCameraNamePage();

    // Box 530 + row changed.
    void OnNameChanged(int row);

    CNameEdit m_edit[kRows];

protected:
    void BuildPage() override;
    bool OnCommand(int id, WORD code) override;

private:
    bool m_bFilling = false;
};

// Writes `name` into name field `row`: at most 31 Latin-1 characters and a
// NUL; the bytes after the NUL are left as they are.
void StoreCameraName(ImageRef image, int row, const QString& name);
