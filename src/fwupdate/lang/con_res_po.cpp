// ConResPo.dll: Portuguese (Português), LANGID 0x0416. The English table translated id for id; the
// printf specifiers and line breaks are those of the English texts.
#include <iterator>

#include "fwupdate/lang/lang_table.h"

namespace fwupdate::lang {

namespace {

constexpr LangString kStrings[] = {
    {1, "Não interrompa o aplicativo antes que ele\nconclua as seguintes tarefas:"},
    {2, "Extração de arquivos"},
    {3, "Atualização do BIOS"},
    {4, "Atualização do MICOM"},
    {5, "Preparando a extração de arquivos. Aguarde um momento..."},
    {7, "Preparando a atualização do BIOS."},
    {8, "Preparando a atualização do MICOM."},
    {9, "Falha na extração de arquivos.\n\nO programa será encerrado."},
    {10, "A operação a seguir está em andamento.\nAguarde até que a operação seja concluída."},
    {11, "Carregar novo MICOM"},
    {12, "Verificar a compatibilidade entre os MICOMs."},
    {13, "Ler o MICOM existente."},
    {14, "Salvar o MICOM existente."},
    {15, "Atualizar o MICOM"},
    {16,
     " - Este programa atualiza a Flash ROM do BIOS e do MICOM.\n\n - Durante a atualização, o mouse e o "
     "teclado não funcionarão corretamente.\n\n - Feche os programas em execução para uma atualização "
     "estável.\n\n - Após concluir a atualização, o sistema será desligado e ligado novamente de forma "
     "automática."},
    {17, "Versão atual do BIOS : "},
    {18, "Nova versão do BIOS  : "},
    {19, "Falha ao carregar o driver.\n\nReinicie o sistema."},
    {20, "O programa desligará o sistema e o ligará novamente em alguns segundos."},
    {21,
     "O modelo de BIOS/MICOM a ser atualizado é diferente.\n\nVerifique o programa.\n\n Modelo atual (número "
     "de peça do BIOS) : %s(%s)\n\n     Novo modelo (número de peça do BIOS) : %s(%s)"},
    {22,
     "Espaço livre em disco insuficiente.\n\n   Espaço livre restante: %ld MB\n Espaço livre necessário: %d "
     "MB"},
    {23,
     "O disco rígido está protegido por senha.\n\nDesative a proteção por senha do disco rígido na "
     "configuração do BIOS e tente novamente.\n\nO programa será encerrado."},
    {24, "Atualizar as informações DMI."},
    {25, "Opção inválida.\nVerifique a opção."},
    {26, "Falha ao configurar a ativação automática."},
    {27, "Falha ao inicializar o programa."},
    {28, "Falha na atualização do BIOS."},
    {29, "Falha na atualização do MICOM."},
    {30, "Arquivo de BIOS inválido."},
    {31, "Arquivo de MICOM inválido."},
    {32, "Falha ao configurar o SMI."},
    {33, "Falha ao criar o diretório."},
    {34,
     "O adaptador de energia não está conectado.\n\nPara atualizar, o adaptador de energia deve estar "
     "conectado."},
    {35,
     "Não há bateria instalada ou o nível de carga da bateria está abaixo de 30%%.\n\nVerifique a bateria."},
    {36, "O BIOS do sistema é uma versão mais recente que a atualização.\n\n A atualização será encerrada."},
    {37,
     "O adaptador de energia não está conectado e não há bateria instalada ou a carga da bateria está abaixo "
     "de 30%%. \n\nVerifique o adaptador e a bateria."},
    {38, "Aviso"},
    {39, "Atualização concluída"},
    {40, "Falha: Ativação automática"},
    {41, "Falha: Espaço em disco"},
    {42, "Erro fatal"},
    {43, "Falha: Extração"},
    {44, "Falha: Senha do disco rígido"},
    {45, "Falha: Carregamento do driver"},
    {46, "Falha: Modelo (número de peça do BIOS)"},
    {47, "Falha: Atualização do BIOS"},
    {48, "Falha: MICOM"},
    {49, "Falha: Arquivo de BIOS"},
    {50, "Falha: Arquivo de MICOM"},
    {51, "Falha: Ativação do SMI"},
    {52, "Falha: Diretório"},
    {53, "Falha: Energia"},
    {54, "Falha: Opção inválida"},
    {55, "Falha: Data do BIOS"},
};

}  // namespace

extern const LangTable kLanguageTable{"Portuguese", 0x0416, kStrings, std::size(kStrings)};

}  // namespace fwupdate::lang
