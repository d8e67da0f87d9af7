#pragma once

// The English string table: the texts of "ConResEn.dll" and the fallback the executable itself holds
// when no language library can be used. The other libraries translate these ids one for one.

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

inline constexpr LangString kEnglishStrings[] = {
    {1, "Please do not interrupt the application before it\ncompletes following tasks :"},
    {2, "File Extraction"},
    {3, "BIOS Update"},
    {4, "MICOM Update"},
    {5, "Preparing file extraction. Please wait a moment..."},
    {7, "Preparing BIOS update."},
    {8, "Preparing MICOM update."},
    {9, "File Extraction failed.\n\nProgram will be terminated."},
    {10, "The following operation is in process.\nPlease wait until the operation is complete."},
    {11, "Load New MICOM"},
    {12, "Check compatibility between MICOM's."},
    {13, "Read existing MICOM."},
    {14, "Save the existing MICOM."},
    {15, "Update the MICOM"},
    {16,
     " - This program updates the Flash ROM of the BIOS and the MICOM.\n\n - During update, the mouse and "
     "keyboard will not work properly.\n\n - Exit the running programs for stable update.\n\n - After "
     "completing the update, the system will be turned off, and turn on automatically."},
    {17, "Current BIOS Version : "},
    {18, "New BIOS Version      : "},
    {19, "Loading driver failed.\n\nRestart system."},
    {20, "The program will turn the system off, and then turn it on again in a few seconds."},
    {21,
     "The BIOS/MICOM model to be updated is different.\n\nCheck the program.\n\n Current Model (BIOS Part "
     "Number) : %s(%s)\n\n     New Model (BIOS Part Number) : %s(%s)"},
    {22,
     "Insufficient free disk space.\n\n   Remaining free disk space: %ldMbytes\n Required free disk space: "
     "%dMbytes"},
    {23,
     "The HDD is password protected.\n\nRelease the password protection for the HDD in the BIOS Setup and "
     "try again.\n\nProgram is terminated."},
    {24, "Update DMI information."},
    {25, "Invalid Option.\nCheck the option."},
    {26, "Auto On setting failed."},
    {27, "Initializing program failed."},
    {28, "BIOS Update failed."},
    {29, "MICOM Update failed."},
    {30, "Invalid BIOS file."},
    {31, "Invalid MICOM file."},
    {32, "SMI setting failed."},
    {33, "Creating directory failed."},
    {34, "AC adapter is not connected.\n\nFor an update, the AC adapter has to be connected."},
    {35,
     "There is no installed battery or the remaining charge level of the battery is lower than "
     "30%%.\n\nCheck your battery."},
    {36, "The system BIOS is a newer version than the update.\n\n The update will be terminated."},
    {37,
     "The AC adapter is not connected and there is no installed battery or the remaing charge of the "
     "battery is lower than 30%%. \n\nCheck your adapter and battery."},
    {38, "Warning"},
    {39, "Update Complete"},
    {40, "Fail : Set Auto On"},
    {41, "Fail : Disk Space"},
    {42, "Fatal Error"},
    {43, "Fail : Unpack"},
    {44, "Fail : HDD Password"},
    {45, "Fail : Driver Load"},
    {46, "Fail : Model(Bios Part Number)"},
    {47, "Fail : Update Bios"},
    {48, "Fail : Micom"},
    {49, "Fail : Bios File"},
    {50, "Fail : Micom File"},
    {51, "Fail : Enable SMI"},
    {52, "Fail : Directory"},
    {53, "Fail : Power"},
    {54, "Fail : Invalid Option"},
    {55, "Fail : Bios Date"},
};

}  // namespace fwupdate::lang
