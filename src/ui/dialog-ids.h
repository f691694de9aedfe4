/* Dialog and control ids of the program's dialogs, shared by the dialog
   procedures and the templates; the dialog robot of the tests finds the
   controls by the same ids. */
#ifndef UNINSTALL_DIALOG_IDS_H
#define UNINSTALL_DIALOG_IDS_H

/* Controls nobody addresses. */
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* The "Please wait..." window and its progress bar. */
#define IDD_WAIT 117
#define IDC_WAIT_PROGRESS 1012

/* The update offer. */
#define IDD_UPDATE 101
#define IDC_UPDATE_HEADLINE 1024
#define IDC_UPDATE_VERSIONS 1028
#define IDC_UPDATE_WEBPAGE 1025
#define IDC_UPDATE_DOWNLOAD 1026

/* The registration form. */
#define IDD_REGISTRATION 1004
#define IDC_REG_FIRST_NAME 1014
#define IDC_REG_EMAIL 1015
#define IDC_REG_LAST_NAME 1016
#define IDC_REG_ADDRESS 1017
#define IDC_REG_CITY 1018
#define IDC_REG_STATE 1019
#define IDC_REG_ZIP 1020
#define IDC_REG_HOW_FOUND 1021
#define IDC_REG_PHONE 1022
#define IDC_REG_COUNTRY 1023
#define IDC_REG_ANSWER_NO 1026
#define IDC_REG_ANSWER_YES 1027
#define IDC_REG_ANSWER_ALREADY 1028
#define IDC_REG_AGE 1029

/* The e-mail re-entry check. */
#define IDD_EMAIL_VERIFICATION 1006
#define IDC_VERIFY_EMAIL 1025

#endif
