// Resource identifiers, shared by the .rc and the shell.
#pragma once

#define IDD_ABOUT 101
#define IDI_TORVEX 102
#define IDC_NEWS 1000
