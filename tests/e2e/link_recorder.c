/* Stands in for the browser in end-to-end tests: registered as the handler of
   web links, it appends the link it was asked to open (its first argument) as
   one line to the file named by SONOGRAF_LINK_LOG. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* log = getenv("SONOGRAF_LINK_LOG");
    FILE* file = log ? fopen(log, "a") : NULL;
    if (file == NULL) return 1;
    fprintf(file, "%s\n", argc > 1 ? argv[1] : "");
    fclose(file);
    return 0;
}
