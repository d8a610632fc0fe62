// Resource and control identifiers of Tessiwok.exe.
#pragma once

#define IDD_MAIN 101
#define IDI_TESSIWOK 102

#define IDC_ADDRESS 1002
#define IDC_COLLECT 1003
#define IDC_RESULTS 1004
#define IDC_SAVE 1005
#define IDC_TOOLBAR 1008
