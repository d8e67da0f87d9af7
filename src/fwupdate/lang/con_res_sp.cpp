// ConResSp.dll: Spanish (Español), LANGID 0x040A. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "No interrumpa la aplicación antes de que\ncomplete las siguientes tareas:"},
    {2, "Extracción de archivos"},
    {3, "Actualización del BIOS"},
    {4, "Actualización del MICOM"},
    {5, "Preparando la extracción de archivos. Espere un momento..."},
    {7, "Preparando la actualización del BIOS."},
    {8, "Preparando la actualización del MICOM."},
    {9, "Error al extraer los archivos.\n\nEl programa se cerrará."},
    {10, "La siguiente operación está en curso.\nEspere hasta que termine la operación."},
    {11, "Cargar el nuevo MICOM"},
    {12, "Comprobar la compatibilidad entre los MICOM."},
    {13, "Leer el MICOM existente."},
    {14, "Guardar el MICOM existente."},
    {15, "Actualizar el MICOM"},
    {16,
     " - Este programa actualiza la memoria Flash ROM del BIOS y del MICOM.\n\n - Durante la actualización, "
     "el ratón y el teclado no funcionarán correctamente.\n\n - Cierre los programas en ejecución para una "
     "actualización estable.\n\n - Al terminar la actualización, el sistema se apagará y se encenderá "
     "automáticamente."},
    {17, "Versión actual del BIOS : "},
    {18, "Nueva versión del BIOS  : "},
    {19, "Error al cargar el controlador.\n\nReinicie el sistema."},
    {20, "El programa apagará el sistema y volverá a encenderlo en unos segundos."},
    {21,
     "El modelo de BIOS/MICOM que se va a actualizar es diferente.\n\nCompruebe el programa.\n\n Modelo "
     "actual (número de pieza del BIOS) : %s(%s)\n\n     Modelo nuevo (número de pieza del BIOS) : %s(%s)"},
    {22,
     "No hay suficiente espacio libre en el disco.\n\n   Espacio libre restante: %ld MB\n Espacio libre "
     "necesario: %d MB"},
    {23,
     "El disco duro está protegido con contraseña.\n\nDesactive la protección con contraseña del disco duro "
     "en la configuración del BIOS e inténtelo de nuevo.\n\nEl programa se cerrará."},
    {24, "Actualizar la información DMI."},
    {25, "Opción no válida.\nCompruebe la opción."},
    {26, "Error al configurar el encendido automático."},
    {27, "Error al inicializar el programa."},
    {28, "Error al actualizar el BIOS."},
    {29, "Error al actualizar el MICOM."},
    {30, "Archivo de BIOS no válido."},
    {31, "Archivo de MICOM no válido."},
    {32, "Error al configurar el SMI."},
    {33, "Error al crear el directorio."},
    {34,
     "El adaptador de CA no está conectado.\n\nPara actualizar, el adaptador de CA debe estar conectado."},
    {35,
     "No hay ninguna batería instalada o el nivel de carga de la batería es inferior al 30%%.\n\nCompruebe "
     "la batería."},
    {36,
     "El BIOS del sistema es una versión más reciente que la actualización.\n\n La actualización se "
     "cancelará."},
    {37,
     "El adaptador de CA no está conectado y no hay ninguna batería instalada o la carga de la batería es "
     "inferior al 30%%. \n\nCompruebe el adaptador y la batería."},
    {38, "Advertencia"},
    {39, "Actualización completada"},
    {40, "Error: Encendido automático"},
    {41, "Error: Espacio en disco"},
    {42, "Error grave"},
    {43, "Error: Extracción"},
    {44, "Error: Contraseña del disco duro"},
    {45, "Error: Carga del controlador"},
    {46, "Error: Modelo (número de pieza del BIOS)"},
    {47, "Error: Actualización del BIOS"},
    {48, "Error: MICOM"},
    {49, "Error: Archivo de BIOS"},
    {50, "Error: Archivo de MICOM"},
    {51, "Error: Activación de SMI"},
    {52, "Error: Directorio"},
    {53, "Error: Alimentación"},
    {54, "Error: Opción no válida"},
    {55, "Error: Fecha del BIOS"},
};

}  // namespace

extern const LangTable kLanguageTable{"Spanish", 0x040A, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
