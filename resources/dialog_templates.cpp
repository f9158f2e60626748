#include "resources/dialog_templates.h"

#include "resources/build_settings.h"
#include "resources/resource_ids.h"

namespace {

using enum ControlKind;

constexpr DialogFont kDialogFont{"MS Sans Serif", 8};
constexpr std::uint32_t kEditStyle = kTabStop | kBorder | kAutoHScroll;
constexpr std::uint32_t kSmallDialogStyle = kModalFrame | kSystemMenu;

// Every label of the main window begins a control group, so the four prefix buttons, which
// follow label 1015, form one group of their own.
constexpr ControlTemplate kMainControls[] = {
    {kDropDownList, IDC_ACCOUNT, "", {12, 14, 91, 137}, kGroup | kTabStop | kVScroll},
    {kEdit, IDC_EMAIL, "", {116, 14, 100, 14}, kEditStyle},
    {kLabel, IDC_EMAIL_LABEL, "e-mail address", {120, 28, 46, 8}, kGroup},
    {kEdit, IDC_PASSWORD, "", {117, 41, 99, 14}, kEditStyle | kPassword},
    {kLabel, IDC_PASSWORD_LABEL, "password", {120, 56, 31, 8}, kGroup},
    {kLabel,
     IDC_MESSAGE_LABEL,
     "Supply the text you would like associated with this address",
     {67, 78, 184, 8},
     kGroup | kDisabled},
    {kLabel,
     IDC_MESSAGE_HINT,
     "Hint: Use something descriptive so you will know who this address was given to.",
     {33, 86, 252, 8},
     kGroup | kDisabled},
    {kEdit, IDC_MESSAGE, "", {15, 95, 282, 14}, kEditStyle | kDisabled},
    {kLabel,
     IDC_PREFIX_LABEL,
     "Select the text you want to precede all emails forwarded from this Vexmora Address",
     {23, 124, 271, 8},
     kGroup | kDisabled},
    {kRadioButton, IDC_PREFIX_FWD, "Fwd:", {23, 140, 31, 10}, kTabStop | kDisabled},
    {kRadioButton, IDC_PREFIX_SPAM, "Spam:", {64, 140, 36, 10}, kDisabled},
    {kRadioButton, IDC_PREFIX_URGENT, "Urgent:", {110, 140, 39, 10}, kDisabled},
    {kRadioButton, IDC_PREFIX_CUSTOM, "Custom:", {159, 140, 41, 10}, kDisabled},
    {kEdit, IDC_CUSTOM_PREFIX, "", {210, 139, 86, 14}, kBorder | kAutoHScroll | kDisabled},
    {kPushButton,
     IDC_CREATE_ADDRESS,
     "Create New Address",
     {125, 162, 70, 14},
     kTabStop | kDisabled},
    {kPushButton, IDC_VIEW_LOG, "View Log", {228, 14, 85, 15}, kTabStop},
    {kPushButton, IDC_SETUP, "Setup", {228, 41, 85, 14}, kTabStop},
    {kLabel, IDC_STATIC, "visit", {50, 42, 13, 8}, kGroup},
    {kLabel, IDC_STATIC, VEXMORA_BUILD_SERVICE_HOST, {23, 50, 68, 8}, kGroup},
    {kPushButton, IDC_CLEAR_MESSAGE, "", {297, 95, 7, 14}, kDisabled},
};

constexpr ControlTemplate kSetupControls[] = {
    {kLabel, IDC_STATIC, "Name to put on Account", {7, 17, 78, 8}, kNoStyle},
    {kEdit, IDC_ACCOUNT_NAME, "", {87, 13, 71, 14}, kEditStyle | kGroup},
    {kLabel, IDC_STATIC, "Email Address", {7, 33, 45, 8}, kNoStyle},
    {kEdit, IDC_SETUP_EMAIL, "", {87, 30, 135, 14}, kEditStyle},
    {kLabel, IDC_STATIC, "Retype Email Address", {7, 52, 70, 8}, kNoStyle},
    {kEdit, IDC_SETUP_EMAIL2, "", {87, 49, 136, 14}, kEditStyle},
    {kLabel, IDC_STATIC, "Choose A Password", {7, 71, 64, 8}, kNoStyle},
    {kEdit, IDC_SETUP_PASSWORD, "", {87, 67, 72, 14}, kEditStyle | kPassword},
    {kLabel, IDC_STATIC, "Retype Password", {7, 89, 56, 8}, kNoStyle},
    {kEdit, IDC_SETUP_PASSWORD2, "", {87, 86, 71, 14}, kEditStyle | kPassword},
    {kCheckBox, IDC_SAVE_PASSWORD, "Save this password for me", {11, 105, 99, 10}, kTabStop},
    {kLabel,
     IDC_STATIC,
     "Hint: Only do this if you trust everyone who has access to this machine",
     {23, 116, 222, 8},
     kNoStyle},
    {kDefaultPushButton, IDOK, "Create New Account", {231, 7, 74, 14}, kTabStop},
    {kPushButton, IDCANCEL, "Cancel", {231, 24, 74, 14}, kTabStop},
    {kPushButton, IDC_CLEAR_ALL, "Clear ALL accounts", {238, 86, 67, 14}, kTabStop},
};

constexpr ControlTemplate kAboutControls[] = {
    {kPicture, IDC_STATIC, nullptr, {11, 17, 20, 20}, kNoStyle, IDI_APP},
    {kLabel, IDC_STATIC, "Vexmora Version 1.2.1", {99, 13, 82, 8}, kNoStyle},
    {kLabel, IDC_STATIC, "(c) 2026 Vexmora Ltd.", {91, 59, 91, 8}, kNoStyle},
    {kDefaultPushButton, IDOK, "OK", {217, 7, 50, 14}, kTabStop | kGroup},
    {kLabel, IDC_STATIC, VEXMORA_BUILD_HOME_PAGE, {40, 42, 88, 8}, kNoStyle},
    {kLabel, IDC_STATIC, "Lindenfeld Software", {159, 26, 93, 8}, kNoStyle},
    {kLabel, IDC_STATIC, "www.lindenfeld.example", {159, 42, 108, 8}, kNoStyle},
    {kLabel, IDC_STATIC, "Vexmora Ltd.", {40, 25, 66, 8}, kNoStyle},
};

constexpr ControlTemplate kDataErrorControls[] = {
    {kDefaultPushButton, IDOK, "OK", {71, 66, 50, 14}, kTabStop | kGroup},
    {kLabel,
     IDC_STATIC,
     "There is a data error. Please carefully check your",
     {17, 24, 155, 8},
     kNoStyle},
    {kLabel, IDC_STATIC, "values and correct the problem.", {37, 36, 100, 8}, kNoStyle},
};

constexpr ControlTemplate kNewAddressControls[] = {
    {kDefaultPushButton, IDOK, "OK", {68, 48, 50, 14}, kTabStop | kGroup},
    {kLabel,
     IDC_STATIC,
     "Your new address has been created and placed in",
     {11, 13, 160, 8},
     kNoStyle},
    {kLabel, IDC_STATIC, "the clipboard. Your new Vexmora Address is:", {16, 23, 151, 8}, kNoStyle},
    {kEdit, IDC_NEW_ADDRESS, "", {17, 31, 150, 14}, kEditStyle | kReadOnly},
};

constexpr ControlTemplate kTermsControls[] = {
    {kDefaultPushButton, IDOK, "Accept", {7, 61, 50, 14}, kTabStop | kGroup},
    {kPushButton, IDCANCEL, "Decline", {208, 61, 50, 14}, kTabStop},
    {kLabel,
     IDC_STATIC,
     "By pressing the Accept button, user hereby acknowledges that he/she has read the online "
     "\"Terms Of Service\" agreement located at Vexmora's website [" VEXMORA_BUILD_HOME_PAGE
     "] and hereby agrees to abide by all rules,",
     {7, 7, 251, 25},
     kNoStyle},
    {kLabel,
     IDC_STATIC,
     "regulations, and provisions contained therein regarding the use of this program and any "
     "related applications.",
     {7, 30, 251, 21},
     kNoStyle},
};

}  // namespace

const DialogTemplate kMainTemplate{
    IDD_MAIN,     "Vexmora",   320,
    186,          kDialogFont, kModalFrame | kSystemMenu | kMinimizeBox | kAppWindow,
    kMainControls};
const DialogTemplate kSetupTemplate{IDD_SETUP,   "Dialog",          312,           143,
                                    kDialogFont, kSmallDialogStyle, kSetupControls};
const DialogTemplate kAboutTemplate{IDD_ABOUT,   "About Vexmora",   274,           74,
                                    kDialogFont, kSmallDialogStyle, kAboutControls};
const DialogTemplate kDataErrorTemplate{IDD_DATA_ERROR,    "Dialog",          186, 95, kDialogFont,
                                        kSmallDialogStyle, kDataErrorControls};
const DialogTemplate kNewAddressTemplate{
    IDD_NEW_ADDRESS, "Dialog", 186, 69, kDialogFont, kSmallDialogStyle, kNewAddressControls};
const DialogTemplate kTermsTemplate{IDD_TERMS,   "Dialog",          265,           82,
                                    kDialogFont, kSmallDialogStyle, kTermsControls};
