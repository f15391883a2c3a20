// Every fixed path and name the program touches, with its exact text. Nothing configures them.
#pragma once

#include <array>
#include <string_view>

namespace tarvio::paths {

// Folders and files.
inline constexpr std::string_view vendorRoot = "C:\\Meridano";
inline constexpr std::string_view installRoot = "C:\\Meridano\\Tarvio";
inline constexpr std::string_view backupDir = "C:\\Meridano\\Tarvio\\backup";
inline constexpr std::string_view dumpFile = "C:\\Meridano\\Tarvio\\backup\\tarvio.backup";
inline constexpr std::string_view restoreFile = "C:\\Meridano\\Tarvio\\backup\\restaurar.backup";
inline constexpr std::string_view extractDir = "C:\\Meridano\\Tarvio\\backup\\zip";
inline constexpr std::string_view extractDumpDir = "C:\\Meridano\\Tarvio\\backup\\zip\\backup";
inline constexpr std::string_view scriptFile = "C:\\Meridano\\backup.bat";
inline constexpr std::string_view pgpassFile = "C:\\Meridano\\pgpass";
inline constexpr std::string_view tomcatWorkDir = "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio";
inline constexpr std::string_view jettyWorkDir = "C:\\Meridano\\Tarvio\\jetty\\work\\tarvio";
inline constexpr std::string_view pg10BinDir = "C:\\Meridano\\Tarvio\\pg10\\bin";
inline constexpr std::string_view pgsqlBinDir = "C:\\Meridano\\Tarvio\\pgsql\\bin";
inline constexpr std::string_view serverConfigExe =
    "C:\\Meridano\\Tarvio\\config\\Tarvio_Server_Config.exe";
inline constexpr std::string_view taskkillExe = "C:\\Windows\\System32\\taskkill.exe";
inline constexpr std::string_view netExe = "C:\\Windows\\System32\\net";

// The run history: one line for each backup, restore, drill and copy, added when the run ends.
inline constexpr std::string_view historyFile = "C:\\Meridano\\Tarvio\\backup\\historico.txt";

// The restore drill: the temporary folder that receives the archive's dump, the dump there, the file
// that receives the count of tables and rows, and the scratch database the dump is restored into.
inline constexpr std::string_view drillDir = "C:\\Meridano\\Tarvio\\backup\\verificacao";
inline constexpr std::string_view drillDumpFile = "C:\\Meridano\\Tarvio\\backup\\verificacao\\verificar.backup";
inline constexpr std::string_view drillCountFile = "C:\\Meridano\\Tarvio\\backup\\verificacao\\contagem.txt";
inline constexpr std::string_view drillDatabaseName = "tarvio_verificacao";

// Archive names begin with this, trailing backslash included.
inline constexpr std::string_view archivePrefix = "C:\\Meridano\\Tarvio\\backup\\";

// Explorer, found by the system's search rules.
inline constexpr std::string_view explorerExe = "explorer.exe";
// Parameters that open the backup folder in Explorer.
inline constexpr std::string_view explorerParameters = "/root,C:\\Meridano\\Tarvio\\backup";

// Folders below the work folders, each list in the order in which it is handled.
inline constexpr std::array<std::string_view, 5> archivedTomcatFolders = {
    "tarvio_nfse", "trabalhadores", "esocial", "manifestacaodestinatario", "reinf"};
inline constexpr std::array<std::string_view, 2> archivedJettyFolders = {"tarvio_nfse",
                                                                         "trabalhadores"};
inline constexpr std::array<std::string_view, 7> pendingFolders = {
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\lotes_pendentes",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\remessas",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\retornos",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\esocial\\lotes_a3",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\reinf\\remessas",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\reinf\\retornos",
    "C:\\Meridano\\Tarvio\\tomcat9\\work\\tarvio\\reinf\\lotes_a3"};
inline constexpr std::array<std::string_view, 5> movedFolders = {
    "esocial", "reinf", "trabalhadores", "tarvio_nfse", "manifestacaodestinatario"};

// Names of the installed server.
inline constexpr std::string_view serverImage = "Tarvio.exe";
inline constexpr std::string_view serverConfigImage = "Tarvio_Server_Config.exe";
inline constexpr std::string_view tomcatImage = "tomcat9.exe";
inline constexpr std::string_view tomcatService = "tomcat9";
inline constexpr std::string_view databaseName = "tarvio";

// The drill's scratch database is never the live one, whatever else changes.
static_assert(drillDatabaseName != databaseName);

}  // namespace tarvio::paths
