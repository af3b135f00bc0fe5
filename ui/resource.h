#pragma once
// Identifiers shared by the resource script and the window code. Control ids
// start at 3000 so that they never meet the menu command ids (100.., 1000..).

// Dialog templates and the menu bar.
#define IDD_OPTIONS 200
#define IDD_PAGE_GENERAL 201
#define IDD_PAGE_SCHEMES 202
#define IDD_PAGE_EFFECTS 203
#define IDD_PAGE_KEYBOARD 204
#define IDD_PAGE_MOUSE 205
#define IDD_PAGE_QUIET 206
#define IDD_SELECTOR 210
#define IDD_SCHEMES 211
#define IDD_KEY 212
#define IDD_ABOUT 213
#define IDD_INPUTBOX 214
#define IDD_KEY_OWN 215
#define IDM_MAIN 220
#define IDB_LOGO 230

// The options window (btnOk and btnCancel are IDOK and IDCANCEL, so Enter and
// Esc reach them through the dialog manager).
#define IDC_pagMain 3000
#define IDC_btnApply 3001
#define IDC_lblVolume 3002
#define IDC_tbGlobalVolume 3003
#define IDC_lblPerc 3004
#define IDC_lblSoundCard 3005
#define IDC_sepVolume 3006

// Page headings and their rules.
#define IDC_lblHeading 3010
#define IDC_lineHeading 3011

// General
#define IDC_cbStartUp 3020
#define IDC_cbAnimIcon 3021
#define IDC_lblOutput 3022
#define IDC_lblBluetooth 3023
// Schemes
#define IDC_lwShemes 3030
#define IDC_btnEditScheme 3031
#define IDC_btnSetScheme 3032
#define IDC_btnDeleteScheme 3033
#define IDC_btnImportScheme 3034
#define IDC_btnExportScheme 3035
// Effects
#define IDC_cbEAX 3040
#define IDC_tbVariation 3041
#define IDC_lblVariation 3042
#define IDC_cbKeyPanning 3043
#define IDC_cbOverlapSounds 3044
// Keyboard
#define IDC_hkOptions 3050
#define IDC_hkSound 3051
#define IDC_hkIncVolume 3052
#define IDC_edIncVolume 3053
#define IDC_udIncVolume 3054
#define IDC_hkRedVolume 3055
#define IDC_edRedVolume 3056
#define IDC_udRedVolume 3057
#define IDC_hkNextScheme 3058
#define IDC_hkPrevScheme 3059
#define IDC_lblIncPerc 3060
#define IDC_lblRedPerc 3061
#define IDC_lblStatic 3062
// Mouse
#define IDC_cbMouse 3070

// The Quiet page.
#define IDC_cbQuietFullScreen 3080
#define IDC_cbQuietMicrophone 3081
#define IDC_lbQuietPrograms 3082
#define IDC_btnAddQuiet 3083
#define IDC_btnRemoveQuiet 3084

// The device selector (its button is IDOK).
#define IDC_lbl1 3100
#define IDC_Bevel1 3101
#define IDC_lbDevices 3102

// The scheme editor (btnSave is IDOK, btnCancel IDCANCEL).
#define IDC_lblSchName 3200
#define IDC_edSchemeName 3201
#define IDC_btnSaveAs 3202
#define IDC_cbKeyboard 3203
#define IDC_lwKeyboard 3204
#define IDC_btnPlay 3205
#define IDC_btnStop 3206
#define IDC_sepButtons 3207
#define IDC_tabEditor 3208
#define IDC_kbView 3209

// The key sound dialog (btnOk is IDOK).
#define IDC_lblSound 3300
#define IDC_edSoundName 3301
#define IDC_btnOpen 3302
#define IDC_lblKeyVolume 3303
#define IDC_tbVolume 3304
#define IDC_lblProc 3305
#define IDC_sepSound 3306
#define IDC_sepVolume2 3307
#define IDC_sepOk 3308
#define IDC_imgWave 3309
#define IDC_lblWave 3310
#define IDC_lblSliceStart 3311
#define IDC_edSliceStart 3312
#define IDC_lblSliceLength 3313
#define IDC_edSliceLength 3314
#define IDC_lblSliceMs 3315
#define IDC_btnPlaySound 3316
#define IDC_lblRelease 3317
#define IDC_sepRelease 3318
#define IDC_edReleaseName 3319
#define IDC_btnOpenRelease 3320

// The text-input box.
#define IDC_lblPrompt 3500
#define IDC_edValue 3501

// The about box (btnClose is IDCANCEL).
#define IDC_imgLogo 3400
#define IDC_lblComments 3401
#define IDC_lblMail 3402
#define IDC_lblNotice 3403
#define IDC_sepAbout1 3404
#define IDC_sepAbout2 3405

// Menu commands of the menu bar (see ui/menus.h).
#define IDM_SCHEME_PLACEHOLDER 99
#define IDM_CLOSE_WINDOW 106
#define IDM_ABOUT 102
#define IDM_SEND_MESSAGE 103
#define IDM_WEB_SITE 104
#define IDM_SELECT_AUDIO_DEVICE 107
