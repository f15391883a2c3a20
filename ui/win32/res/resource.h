// Resource identifiers of tarvio-backup.exe.
#pragma once

#define IDI_PROGRAM 1
#define IDI_EFETUAR_BACKUP 11
#define IDI_RESTAURAR_BACKUP 12
#define IDI_BACKUPS_EFETUADOS 13
#define IDI_USUARIO 14
#define IDB_GLYPH_OK 21
#define IDB_GLYPH_CANCELAR 22
