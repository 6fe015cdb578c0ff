// The identifiers of the window's resources and controls, shared by keydesk.rc and the code.
// Plain #defines: the resource compiler reads this file too.
#pragma once

#define IDI_KEYDESK 1
#define IDB_ABOUT 2
#define IDB_TOOLBAR 3
#define IDM_MAIN 4

#define IDD_CHECK_PASSWORD 100
#define IDD_CHANGE_PASSWORD 101
#define IDD_ABOUT 102
#define IDD_OPTIONS 103
#define IDD_JOURNAL 107
#define IDD_LOG_VIEW 108
#define IDD_SYSTEM_SETTINGS 109
// A kind's test dialog, numbered by the kind's number, so that a kind brings only its template.
#define IDD_TEST_PANEL(kind) (200 + (kind))

// The main window's commands: menu, toolbar and accelerators.
#define ID_EXIT 200
#define ID_OPTION 201
#define ID_TEST 202
#define ID_CHANGE_PASSWORD 203
#define ID_ABOUT 204
#define ID_JOURNAL 205
#define ID_LOG 206
#define ID_SETTINGS 207

// Controls; one number per role, the same in every dialog that has it.
#define IDC_PICTURE 300
#define IDC_EDTPSWD 301
#define IDC_EDTCONFIRMPSWD 302
#define IDC_LBLAPPTITLE 310
#define IDC_LBLVERSION 311
#define IDC_LBLCOPYRIGHT 312
#define IDC_LBLCOMPANY 313
#define IDC_MMO 314
#define IDC_PORTNAME 320
#define IDC_LOCKTYPENAME 321
#define IDC_POWERSWITCHTYPE 322
#define IDC_SECTORNO 323
#define IDC_HOTELPW 324
#define IDC_CLIENTID 325
#define IDC_PSSECTORNO 326
#define IDC_PSPASSWORD 327
#define IDC_PUBDOOR 328
#define IDC_BEGINADDR 329
#define IDC_ENDADDR 330
#define IDC_MAXLIFTADDR 331
#define IDC_LIFTDATA 332
#define IDC_VERIFYAFTERWRITE 333
#define IDC_LIFTDATANOTE 334
#define IDC_OPENPORT 340
#define IDC_BEEP 341
#define IDC_CLOSEPORT 342
#define IDC_ROOMBUILDINGCODE 343
#define IDC_ROOMFLOORCODE 344
#define IDC_ROOMNO 345
#define IDC_CHECKIN 346
#define IDC_CHECKOUT 347
#define IDC_ISCOPY 348
#define IDC_WRITECARD 349
#define IDC_NUMBER 350
#define IDC_READCARD 351
#define IDC_ERASECARD 352
#define IDC_RESULT 353
#define IDC_CHANNEL 354
#define IDC_PASSWORD 355
#define IDC_PRINTCARD 356
#define IDC_ROOMFILTER 360
#define IDC_FROMFILTER 361
#define IDC_JOURNALGRID 362
#define IDC_LOGTEXT 363
#define IDC_CARDFILTER 364
#define IDC_GUESTFILTER 365
#define IDC_TOFILTER 366
#define IDC_PAGETEXT 367
#define IDC_PREVPAGE 368
#define IDC_NEXTPAGE 369
#define IDC_JOURNALNOTICE 370
#define IDC_ROOMKEY 371
#define IDC_ROOMCARDS 372
#define IDC_CHECKCARD 373
#define IDC_ROOMNOTICE 374
#define IDC_ROOMGRID 375
#define IDC_CHECKTEXT 376
#define IDC_STAYFROM 377
#define IDC_STAYTO 378
#define IDC_FAILURESONLY 379
#define IDC_EXPORT 380
#define IDC_EXPORTTEXT 381
#define IDC_FIRSTPAGE 382
#define IDC_LASTPAGE 383
#define IDC_PAGENO 384
#define IDC_GOTOPAGE 385
#define IDC_FROMPICK 386
#define IDC_TOPICK 387
#define IDC_STAYFROMPICK 388
#define IDC_STAYTOPICK 389
// The journal's calendar, made when it is first asked for.
#define IDC_CALENDAR 390
// The 系统设置 dialog's entries, one after another from here in the order of its fields.
#define IDC_SETTINGS 400
