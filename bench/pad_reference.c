/* The yardstick for padding: the plainest fast C program that does the same work as
 * `lathwell-cli pad --length N`. It reads 1 MB blocks with fread, finds each LF with memchr,
 * copies the line (without a CR before the LF) into a 1 MB output block, blank-pads or cuts
 * it to N bytes, adds CR LF and writes the block with fwrite when it is full. Empty lines give
 * no record. No statistics, no blanking, no lone-CR check.
 *
 *   pad_reference LENGTH INPUT OUTPUT
 *
 * Built and run by engine_bench.sh; lines must be shorter than 1 MB. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kBlock = 1 << 20 };

static char input[kBlock];
static char output[kBlock];

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: pad_reference LENGTH INPUT OUTPUT\n");
        return 2;
    }
    const size_t length = (size_t)atol(argv[1]);
    FILE* in = fopen(argv[2], "rb");
    FILE* out = fopen(argv[3], "wb");
    if (in == NULL || out == NULL || length == 0 || length + 2 > kBlock) {
        perror("pad_reference");
        return 1;
    }
    size_t kept = 0; /* bytes of an unfinished line at the front of input */
    size_t used = 0; /* bytes in output */
    for (;;) {
        size_t got = fread(input + kept, 1, kBlock - kept, in);
        size_t end = kept + got;
        int last = got == 0;
        char* line = input;
        char* stop = input + end;
        for (;;) {
            char* lf = memchr(line, '\n', (size_t)(stop - line));
            if (lf == NULL) {
                if (!last || line == stop) break;
                lf = stop; /* a last line without LF */
            }
            size_t text = (size_t)(lf - line);
            if (text > 0 && line[text - 1] == '\r') --text;
            if (text > 0) {
                if (kBlock - used < length + 2) {
                    fwrite(output, 1, used, out);
                    used = 0;
                }
                size_t copied = text < length ? text : length;
                memcpy(output + used, line, copied);
                memset(output + used + copied, ' ', length - copied);
                output[used + length] = '\r';
                output[used + length + 1] = '\n';
                used += length + 2;
            }
            line = lf + 1;
            if (lf == stop) break;
        }
        if (last) break;
        kept = (size_t)(stop - line);
        if (kept == kBlock) {
            fprintf(stderr, "pad_reference: line longer than %d bytes\n", kBlock);
            return 1;
        }
        memmove(input, line, kept);
    }
    fwrite(output, 1, used, out);
    if (ferror(in) || fclose(out) != 0) {
        perror("pad_reference");
        return 1;
    }
    fclose(in);
    return 0;
}
