#include "effects/texts.h"

// Each verse repeats its action line around the refrain; the sound word after
// "! " is what the character does, and the song's gesture cues light it.
#define VERSE1 "NU SJUNGER VI OCH KLAPPAR MED I TAKTEN! KLAPP KLAPP"
#define VERSE2 "STAMPA MED FOTEN S< HELA GOLVET GUNGAR! STAMP STAMP"
#define VERSE3 "KN=PP MED FINGRARNA D< BASEN DUNKAR IGENOM! KN=PP KN=PP"
#define VERSE4 "VINKA TILL ALLA SOM DANSAR H=R I NATT! HEJ HEJ"
#define REFRAIN1 "PLUPPA PLUPPA HELA NATTEN"
#define REFRAIN2 "SJUNGA TILLS SOLEN G<R UPP"
#define ALL_TOGETHER "SEN G>R VI ALLA R>RELSERNA TILLSAMMANS!"
#define ALL_SOUNDS "KLAPP KLAPP STAMP STAMP KN=PP KN=PP HEJ HEJ"

const char songtext[40][150] = {
    "",       "",           "",           VERSE1,     VERSE1,       REFRAIN1,   REFRAIN2,
    VERSE1,   VERSE2,       VERSE2,       REFRAIN1,   REFRAIN2,     VERSE2,     VERSE3,
    VERSE3,   REFRAIN1,     REFRAIN2,     VERSE3,     VERSE4,       VERSE4,     REFRAIN1,
    REFRAIN2, VERSE4,       ALL_TOGETHER, ALL_SOUNDS, ALL_TOGETHER, ALL_SOUNDS, REFRAIN1,
    REFRAIN2, ALL_TOGETHER, ALL_SOUNDS,   "",         "",           "",         "",
    "",       "",           "",           "",         "",
};

// Five blank rows lead the message in from below the screen; the blank tail
// lets it rise clear of the top before the section ends.
const char greet[] =
    "     "
    "DANSA LOSS MED OSS HELA VILDA NATTEN!"
    "                                                              ";

const char text_scroller[] =
    "     HEJ ALLIHOPA! SJUNG NU TILL VAR SLETNA KARAOKE... "
    "PLUPPA NU MED SA DET BLIR TRYCK I SALEN!     ";

#define TEN_SPACES "          "

// The blank tail keeps the scroller running until the song's end signal.
const char text_scroller_outro[] =
    "   STORA HALSNINGAR TILL   KANELBULLE GANG  -  GRYNHACKARNA  -  "
    "MORMORS MODEM  -  TRASIGA TANGENTERNA  -  SOCKERDRICKA SYSTEM  -  "
    "KORVKOMPANIET  -  FLANELLFABRIKEN  -  SILLSALLADEN      "
    "OCH ETT STORT TACK TILL ARRANGORERNA AV LILLA LADAN PARTY      "
    "PLUPPA ALLTID - PLUPPA NU!        "
    "HEJ DA OCH TACK FOR I KVALL... VI SES NASTA AR!" TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES
        TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES TEN_SPACES
            TEN_SPACES;
