// Resource ids, shared by the C++ sources and app/quillanor.rc.
#ifndef QUILLANOR_APP_RESOURCE_H
#define QUILLANOR_APP_RESOURCE_H

#define IDD_MAIN 102

#define IDI_MAIN 128
#define IDI_COMPUTER 133
#define IDI_DRIVE 134

#define IDC_LINK_CURSOR 157

#define IDC_DEVICE_TREE 1001
#define IDC_INFO_LIST 1002
#define IDC_TITLE 1003
#define IDC_WEB_LINK 1004
#define IDC_VERSION 1005

#endif
