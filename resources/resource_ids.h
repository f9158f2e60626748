#pragma once

// Numbers of the program's resources. Control ids are those of the templates; the same number
// can mean different controls in different dialogs.

// Dialog templates.
inline constexpr int IDD_ABOUT = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_SETUP = 129;
inline constexpr int IDD_DATA_ERROR = 130;
inline constexpr int IDD_NEW_ADDRESS = 132;
inline constexpr int IDD_TERMS = 137;

// Icons and strings.
inline constexpr int IDI_APP = 128;  // the application icon, first of the program file
inline constexpr int IDI_SPARE = 134;
inline constexpr int IDI_SPARE_LARGE = 135;
inline constexpr int IDS_ABOUT_ITEM = 101;

// The About item of the main window's system menu.
inline constexpr unsigned kAboutCommand = 0x0010;

// Main window (template 102).
inline constexpr int IDC_SETUP = 1000;
inline constexpr int IDC_EMAIL = 1001;
inline constexpr int IDC_PASSWORD = 1002;
inline constexpr int IDC_MESSAGE = 1003;
inline constexpr int IDC_CUSTOM_PREFIX = 1004;
inline constexpr int IDC_ACCOUNT = 1005;
inline constexpr int IDC_PREFIX_FWD = 1006;
inline constexpr int IDC_PREFIX_SPAM = 1007;
inline constexpr int IDC_PREFIX_URGENT = 1008;
inline constexpr int IDC_PREFIX_CUSTOM = 1009;
inline constexpr int IDC_CREATE_ADDRESS = 1010;
inline constexpr int IDC_EMAIL_LABEL = 1011;
inline constexpr int IDC_PASSWORD_LABEL = 1012;
inline constexpr int IDC_MESSAGE_LABEL = 1013;
inline constexpr int IDC_MESSAGE_HINT = 1014;
inline constexpr int IDC_PREFIX_LABEL = 1015;
inline constexpr int IDC_VIEW_LOG = 1018;
inline constexpr int IDC_CLEAR_MESSAGE = 1019;

// Setup dialog (template 129).
inline constexpr int IDC_CLEAR_ALL = 1000;
inline constexpr int IDC_SETUP_EMAIL = 1001;
inline constexpr int IDC_SETUP_EMAIL2 = 1002;
inline constexpr int IDC_SETUP_PASSWORD = 1003;
inline constexpr int IDC_SETUP_PASSWORD2 = 1004;
inline constexpr int IDC_SAVE_PASSWORD = 1016;
inline constexpr int IDC_ACCOUNT_NAME = 1017;

// New address box (template 132).
inline constexpr int IDC_NEW_ADDRESS = 1001;
