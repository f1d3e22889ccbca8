// Numeric ids shared by pomki_pet.rc and the code: resources, controls, timers, messages.
// Plain #defines so that windres can read this file as well as the compilers.
#ifndef POMKI_RESOURCE_IDS_H
#define POMKI_RESOURCE_IDS_H

/* Dialog templates */
#define IDD_PET_WND 102
#define IDD_CARE_MENU 133
#define IDD_FOOD_MENU 143
#define IDD_CLOCK_WND 144
#define IDD_EFFECT_WND 145

/* Icon */
#define IDI_PET 128

/* Frame bitmaps, in slot order 0..13 */
#define IDB_FRONT 129
#define IDB_FRONT_STEP 130
#define IDB_LEFT 134
#define IDB_LEFT_STEP 135
#define IDB_RIGHT 136
#define IDB_RIGHT_STEP 137
#define IDB_BACK 138
#define IDB_BACK_STEP 139
#define IDB_TEARFUL 140
#define IDB_WAND_A 141
#define IDB_WAND_B 142
#define IDB_GUN 147
#define IDB_AUTO_GUN 148
#define IDB_SHOT_MARK 146

/* Sounds: resources of the custom type "SOUND", language Japanese */
#define IDS_SOUND_SQUEAL 101  /* minimising act, first pose */
#define IDS_SOUND_PET 102     /* left click on the pet */
#define IDS_SOUND_GRUMBLE 103 /* before the grumble message box */
#define IDS_SOUND_RETITLE 104 /* after a window is retitled */
#define IDS_SOUND_SHOT 105    /* each shot mark */
#define IDS_SOUND_BLIP 106    /* minimising act, poses 2 to 5 */

/* Care menu (template 133) */
#define IDC_STRESS_BAR 1000
/* The ability boxes: 1001..1008 for abilities 0..7, then 1010..1013 for 8..11 (1009 is the quit button) */
#define IDC_ABILITY_CURSOR_LEAD 1001
#define IDC_ABILITY_FAST_MOVE 1002
#define IDC_ABILITY_DOUBLE_MONEY 1003
#define IDC_ABILITY_GOOD_LUCK 1004
#define IDC_ABILITY_SHOW_OFF 1005
#define IDC_ABILITY_NO_MISCHIEF_1 1006
#define IDC_ABILITY_EXTRA_FOOD 1007
#define IDC_ABILITY_CLOCK 1008
#define IDC_QUIT 1009
#define IDC_ABILITY_SCREEN_SAVER 1010
#define IDC_ABILITY_MISCHIEF_GUARD 1011
#define IDC_ABILITY_LOTS_OF_MONEY 1012
#define IDC_ABILITY_BELLY_LIMIT_BREAK 1013
#define IDC_FOOD_MENU 1014
#define IDC_MONEY 1017
#define IDC_FULLNESS 1021
#define IDC_LEVEL 1022

/* Food menu (template 143); the second food's radio is 1018, foods 3..7 have 1012..1016 */
#define IDC_FEED 1009
#define IDC_FOOD_1 1011
#define IDC_FOOD_2 1018
#define IDC_FOOD_3 1012
#define IDC_FOOD_4 1013
#define IDC_FOOD_5 1014
#define IDC_FOOD_6 1015
#define IDC_FOOD_7 1016

/* Clock window (template 144) */
#define IDC_CLOCK_TEXT 1020
#define IDC_CLOCK_PICTURE 1023 /* the hamster's front picture, at the clock's scale */

/* Timers */
#define BEHAVIOUR_TIMER_ID 1   /* pet window */
#define AUTOSAVE_TIMER_ID 2    /* pet window: saving as it goes */
#define PRESENCE_TIMER_ID 4    /* pet window: asking now and then whether the user is there */
#define CURSOR_WATCH_TIMER_ID 1 /* care menu, while the screen saver runs */
#define CLOCK_TIMER_ID 3       /* clock window */
#define SWEEP_TIMER_ID 1       /* effect window */
#define TRAY_RETRY_TIMER_ID 5  /* pet window: asking the shell again for the notification icon */

/* Notification-area callback message (WM_USER + 100) */
#define WM_TRAY_NOTIFY 0x464

#endif
