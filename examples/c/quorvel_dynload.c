/* A Windows C client that uses no import library: it loads the DLL with
 * LoadLibraryA, finds every function of quorvel.h by its plain name with
 * GetProcAddress, and makes a few conversions that need no network.
 *
 *   quorvel-dynload [DLL]     (default: QLMZTXQUORVELCPP100.DLL)
 *
 * Exit status: 0 when every function was found and the conversions gave the
 * expected text; 1 otherwise. */
#include <quorvel/quorvel.h> /* constants and records only */

#include <stdio.h>
#include <string.h>
#include <windows.h>

typedef uint32_t(QUORVEL_CALL* res_name_type_fn)(const char*, uint32_t*);
typedef uint32_t(QUORVEL_CALL* res_to_dnc_fn)(const char*, char*, uint32_t*);
typedef uint32_t(QUORVEL_CALL* dnc_to_unc_fn)(const char*, char*);
typedef uint32_t(QUORVEL_CALL* server_from_dnc_fn)(const char*, char*);

static const char* const names[] = {
    "quorvel_build_lists", "quorvel_clear_lists", "quorvel_get_convert_mode",
    "quorvel_set_convert_mode", "quorvel_res_name_type", "quorvel_res_to_dnc",
    "quorvel_dnc_to_unc", "quorvel_dnc_to_unc_maps", "quorvel_dnc_to_maps",
    "quorvel_map_entry", "quorvel_server_from_dnc", "quorvel_extract_server_volume",
    "quorvel_server_list", "quorvel_server_count", "quorvel_first_server",
    "quorvel_next_server", "quorvel_server_info", "quorvel_enum_server_res",
    "quorvel_volume_list", "quorvel_mount_list"};

int main(int argc, char** argv) {
    const char* dll = argc > 1 ? argv[1] : "QLMZTXQUORVELCPP100.DLL";
    HMODULE h = LoadLibraryA(dll);
    if (h == NULL) {
        printf("cannot load %s: error %lu\n", dll, (unsigned long)GetLastError());
        return 1;
    }
    int ok = 1;
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        if (GetProcAddress(h, names[i]) == NULL) {
            printf("missing export %s\n", names[i]);
            ok = 0;
        }
    }
    if (!ok) return 1;

    /* Function pointers pass through FARPROC, as GetProcAddress hands them out. */
    res_name_type_fn res_name_type = (res_name_type_fn)(void (*)(void))GetProcAddress(h, "quorvel_res_name_type");
    res_to_dnc_fn res_to_dnc = (res_to_dnc_fn)(void (*)(void))GetProcAddress(h, "quorvel_res_to_dnc");
    dnc_to_unc_fn dnc_to_unc = (dnc_to_unc_fn)(void (*)(void))GetProcAddress(h, "quorvel_dnc_to_unc");
    server_from_dnc_fn server_from_dnc =
        (server_from_dnc_fn)(void (*)(void))GetProcAddress(h, "quorvel_server_from_dnc");

    const char* dnc = "\\\\NW1\\DATA\\REPORTS";
    char out[QUORVEL_PATH_SIZE];
    uint32_t type = 99, size = 0;
    ok &= res_name_type("F:\\x", &type) == QUORVEL_OK && type == QUORVEL_RES_TYPE_MAP;
    ok &= res_name_type("x", &type) == QUORVEL_ERROR_INVALID_PARAMETER && type == QUORVEL_RES_TYPE_UNKNOWN;
    ok &= res_to_dnc("ab", out, &size) == QUORVEL_ERROR_INVALID_PARAMETER;
    ok &= dnc_to_unc(dnc, out) == QUORVEL_OK && strcmp(out, dnc) == 0;
    ok &= dnc_to_unc("\\\\NW1", out) == QUORVEL_CONV_BAD_NAME_FORMAT;
    ok &= server_from_dnc(dnc, out) == QUORVEL_OK && strcmp(out, "\\\\NW1") == 0;
    printf("%s: %u functions found, conversions %s\n", dll, (unsigned)(sizeof names / sizeof names[0]),
           ok ? "as expected" : "WRONG");
    FreeLibrary(h);
    return ok ? 0 : 1;
}
