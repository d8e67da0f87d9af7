// ConResFr.dll: French (Français), LANGID 0x040C. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "N'interrompez pas l'application avant qu'elle\nait terminé les tâches suivantes :"},
    {2, "Extraction des fichiers"},
    {3, "Mise à jour du BIOS"},
    {4, "Mise à jour du MICOM"},
    {5, "Préparation de l'extraction des fichiers. Veuillez patienter..."},
    {7, "Préparation de la mise à jour du BIOS."},
    {8, "Préparation de la mise à jour du MICOM."},
    {9, "L'extraction des fichiers a échoué.\n\nLe programme va s'arrêter."},
    {10, "L'opération suivante est en cours.\nVeuillez attendre la fin de l'opération."},
    {11, "Chargement du nouveau MICOM"},
    {12, "Vérification de la compatibilité des MICOM."},
    {13, "Lecture du MICOM existant."},
    {14, "Sauvegarde du MICOM existant."},
    {15, "Mise à jour du MICOM"},
    {16,
     " - Ce programme met à jour la mémoire Flash ROM du BIOS et du MICOM.\n\n - Pendant la mise à jour, la "
     "souris et le clavier ne fonctionneront pas correctement.\n\n - Fermez les programmes en cours pour une "
     "mise à jour fiable.\n\n - Une fois la mise à jour terminée, le système s'éteindra puis se rallumera "
     "automatiquement."},
    {17, "Version actuelle du BIOS : "},
    {18, "Nouvelle version du BIOS : "},
    {19, "Le chargement du pilote a échoué.\n\nRedémarrez le système."},
    {20, "Le programme va éteindre le système, puis le rallumer dans quelques secondes."},
    {21,
     "Le modèle BIOS/MICOM à mettre à jour est différent.\n\nVérifiez le programme.\n\n Modèle actuel "
     "(référence du BIOS) : %s(%s)\n\n     Nouveau modèle (référence du BIOS) : %s(%s)"},
    {22,
     "Espace disque libre insuffisant.\n\n   Espace disque libre restant : %ld Mo\n Espace disque libre "
     "requis : %d Mo"},
    {23,
     "Le disque dur est protégé par un mot de passe.\n\nDésactivez la protection par mot de passe du disque "
     "dur dans le Setup du BIOS et réessayez.\n\nLe programme va s'arrêter."},
    {24, "Mise à jour des informations DMI."},
    {25, "Option non valide.\nVérifiez l'option."},
    {26, "Le réglage de la mise sous tension automatique a échoué."},
    {27, "L'initialisation du programme a échoué."},
    {28, "La mise à jour du BIOS a échoué."},
    {29, "La mise à jour du MICOM a échoué."},
    {30, "Fichier BIOS non valide."},
    {31, "Fichier MICOM non valide."},
    {32, "Le réglage du SMI a échoué."},
    {33, "La création du répertoire a échoué."},
    {34,
     "L'adaptateur secteur n'est pas branché.\n\nPour une mise à jour, l'adaptateur secteur doit être "
     "branché."},
    {35,
     "Aucune batterie n'est installée ou le niveau de charge de la batterie est inférieur à "
     "30%%.\n\nVérifiez votre batterie."},
    {36, "Le BIOS du système est plus récent que la mise à jour.\n\n La mise à jour va s'arrêter."},
    {37,
     "L'adaptateur secteur n'est pas branché et aucune batterie n'est installée ou la charge de la batterie "
     "est inférieure à 30%%. \n\nVérifiez l'adaptateur et la batterie."},
    {38, "Avertissement"},
    {39, "Mise à jour terminée"},
    {40, "Échec : Mise sous tension auto"},
    {41, "Échec : Espace disque"},
    {42, "Erreur fatale"},
    {43, "Échec : Extraction"},
    {44, "Échec : Mot de passe du disque dur"},
    {45, "Échec : Chargement du pilote"},
    {46, "Échec : Modèle (référence du BIOS)"},
    {47, "Échec : Mise à jour du BIOS"},
    {48, "Échec : MICOM"},
    {49, "Échec : Fichier BIOS"},
    {50, "Échec : Fichier MICOM"},
    {51, "Échec : Activation du SMI"},
    {52, "Échec : Répertoire"},
    {53, "Échec : Alimentation"},
    {54, "Échec : Option non valide"},
    {55, "Échec : Date du BIOS"},
};

}  // namespace

extern const LangTable kLanguageTable{"French", 0x040C, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
