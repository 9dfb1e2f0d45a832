/* A C client of the library: converts each name given (a path on a mapped
 * drive, a UNC path or an NDS name) into its DNC name and back into its UNC
 * path and every mapped-drive path that reaches it, then lists the mounted
 * drives and the servers.
 *
 *   quorvel-convert [NAME ...]     (default: F:\REPORTS\2026\summary.txt)
 *
 * Exit status: 0 when every name was converted and a drive path came back
 * as one of the paths of its DNC name; 1 otherwise. */
#include <quorvel/quorvel.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int same_text(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (toupper((unsigned char)*a) != toupper((unsigned char)*b)) return 0;
    return *a == *b;
}

/* The DNC name of a resource name into a buffer of the size the library asks
 * for; NULL (and the status) on failure. The caller frees the result. */
static char* to_dnc(const char* name, uint32_t* status) {
    uint32_t size = QUORVEL_PATH_SIZE;
    char* dnc = malloc(size);
    if (dnc == NULL) return NULL;
    *status = quorvel_res_to_dnc(name, dnc, &size);
    if (*status == QUORVEL_ERROR_MORE_DATA) {
        char* larger = realloc(dnc, size);
        if (larger == NULL) {
            free(dnc);
            return NULL;
        }
        dnc = larger;
        *status = quorvel_res_to_dnc(name, dnc, &size);
    }
    if (*status != QUORVEL_OK) {
        free(dnc);
        return NULL;
    }
    return dnc;
}

/* Converts one name there and back; 1 when it succeeded. */
static int convert(const char* name) {
    uint32_t status = 0;
    char* dnc = to_dnc(name, &status);
    if (dnc == NULL) {
        printf("%s -> error %lu\n", name, (unsigned long)status);
        return 0;
    }
    printf("%s -> %s\n", name, dnc);

    char unc[QUORVEL_PATH_SIZE], server[QUORVEL_PATH_SIZE];
    char maps[4 * QUORVEL_PATH_SIZE];
    uint32_t maps_size = sizeof maps, count = 0;
    status = quorvel_dnc_to_unc_maps(dnc, unc, maps, &maps_size, &count);
    int back = name[0] == '\\';  /* a UNC name needs no drive path back */
    if (status == QUORVEL_OK) {
        printf("  unc:    %s\n", unc);
        for (const char* p = maps; *p != '\0'; p += strlen(p) + 1) {
            printf("  drive:  %s\n", p);
            if (same_text(p, name)) back = 1;
        }
    } else {
        printf("  unc:    error %lu\n", (unsigned long)status);
        back = 0;
    }
    if (quorvel_server_from_dnc(dnc, server) == QUORVEL_OK) printf("  server: %s\n", server);
    if (!back) printf("  round trip failed: %s is not among the drive paths\n", name);
    free(dnc);
    return back;
}

static void list_drives_and_servers(void) {
    quorvel_mount drives[26];
    uint32_t count = 26;
    if (quorvel_mount_list(drives, &count) == QUORVEL_OK)
        for (uint32_t i = 0; i < count; ++i)
            printf("mounted %s %s -> %s\n", drives[i].local_name, drives[i].remote_name,
                   drives[i].dnc_name[0] != '\0' ? drives[i].dnc_name : "(none)");

    uint32_t size = 0;
    quorvel_server_list(NULL, &size, NULL); /* asks for the size */
    char* names = malloc(size);
    if (names != NULL && quorvel_server_list(names, &size, &count) == QUORVEL_OK) {
        printf("%lu servers:", (unsigned long)count);
        for (const char* p = names; *p != '\0'; p += strlen(p) + 1) printf(" %s", p);
        printf("\n");
    }
    free(names);
}

int main(int argc, char** argv) {
    static const char* default_name = "F:\\REPORTS\\2026\\summary.txt";
    int ok = 1;
    if (argc < 2) {
        ok = convert(default_name);
    } else {
        for (int i = 1; i < argc; ++i) ok &= convert(argv[i]);
    }
    list_drives_and_servers();
    return ok ? 0 : 1;
}
