/* The yardstick for CSV conversion: the plainest fast C program that does the same work as
 * `lathwell-cli csv` on the benchmark's CSV file and DD file (six columns, 70-byte records).
 * It reads 1 MB blocks with fread, finds each LF, comma and quote with memchr and copies every
 * field straight into its place in the record in a 1 MB output block: numeric fields
 * zero-filled on the left, the others blank-filled on the right, empty values blank, long
 * values cut. Blanks in front of a value are skipped; a value that starts with a quote runs to
 * the next quote, and what follows it up to the comma is dropped. The header line is skipped,
 * empty lines give no record. No statistics.
 *
 *   csv_reference INPUT OUTPUT
 *
 * Built and run by engine_bench.sh; lines must be shorter than 1 MB. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kBlock = 1 << 20, kColumns = 6, kRecord = 70 };

static const size_t kLength[kColumns] = {8, 20, 12, 9, 4, 15};
static const int kNumeric[kColumns] = {1, 0, 0, 1, 0, 0};

static char input[kBlock];
static char output[kBlock];

/* Writes the record of line [line, stop) to record; returns 0 when a column is missing. */
static int BuildRecord(const char* line, const char* stop, char* record) {
    char* place = record;
    for (int column = 0; column < kColumns; ++column) {
        if (line == NULL) return 0;
        while (line < stop && *line == ' ') ++line;
        const char* value = line;
        const char* end;
        if (line < stop && *line == '"') {
            value = line + 1;
            end = memchr(value, '"', (size_t)(stop - value));
            if (end == NULL) return 0;
            line = memchr(end + 1, ',', (size_t)(stop - end - 1));
        } else {
            end = memchr(line, ',', (size_t)(stop - line));
            line = end;
            if (end == NULL) end = stop;
        }
        if (line != NULL) ++line;
        size_t width = (size_t)(end - value);
        size_t length = kLength[column];
        if (width >= length) {
            memcpy(place, value, length);
        } else if (width == 0) {
            memset(place, ' ', length);
        } else if (kNumeric[column]) {
            memset(place, '0', length - width);
            memcpy(place + length - width, value, width);
        } else {
            memcpy(place, value, width);
            memset(place + width, ' ', length - width);
        }
        place += length;
    }
    memset(place, ' ', (size_t)(record + kRecord - place));
    record[kRecord] = '\r';
    record[kRecord + 1] = '\n';
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: csv_reference INPUT OUTPUT\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    FILE* out = fopen(argv[2], "wb");
    if (in == NULL || out == NULL) {
        perror("csv_reference");
        return 1;
    }
    size_t kept = 0;
    size_t used = 0;
    int header = 1;
    for (;;) {
        size_t got = fread(input + kept, 1, kBlock - kept, in);
        int last = got == 0;
        char* line = input;
        char* stop = input + kept + got;
        for (;;) {
            char* lf = memchr(line, '\n', (size_t)(stop - line));
            if (lf == NULL) {
                if (!last || line == stop) break;
                lf = stop;
            }
            char* end = lf > line && lf[-1] == '\r' ? lf - 1 : lf;
            if (header) {
                header = 0;
            } else if (end > line) {
                if (kBlock - used < kRecord + 2) {
                    fwrite(output, 1, used, out);
                    used = 0;
                }
                if (!BuildRecord(line, end, output + used)) {
                    fprintf(stderr, "csv_reference: a column is missing\n");
                    return 1;
                }
                used += kRecord + 2;
            }
            line = lf + 1;
            if (lf == stop) break;
        }
        if (last) break;
        kept = (size_t)(stop - line);
        if (kept == kBlock) {
            fprintf(stderr, "csv_reference: line longer than %d bytes\n", kBlock);
            return 1;
        }
        memmove(input, line, kept);
    }
    fwrite(output, 1, used, out);
    if (ferror(in) || fclose(out) != 0) {
        perror("csv_reference");
        return 1;
    }
    fclose(in);
    return 0;
}
