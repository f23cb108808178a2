// Resource ids of the news popup, shared by its dialog template and code.
#pragma once

#define IDD_NEWS 102
#define IDC_NEWS_CLOSE 1002
