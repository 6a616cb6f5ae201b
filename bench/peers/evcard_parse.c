/* Parses every card of a vCard file with the EVCard library (one e_vcard_new_from_string per
 * card, the cards split at END:VCARD lines), to compare the import's CPU time with a peer's.
 * Built and run by compare-import.sh only; not part of the program's build. */
#include <libebook-contacts/libebook-contacts.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE.vcf\n", argv[0]);
        return 2;
    }
    gchar *text = NULL;
    gsize size = 0;
    if (!g_file_get_contents(argv[1], &text, &size, NULL)) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    long cards = 0;
    long attributes = 0;
    char *start = text;
    for (;;) {
        start += strspn(start, "\r\n"); /* the line break after the card before */
        char *end = strstr(start, "END:VCARD");
        if (!end) {
            break;
        }
        end += strlen("END:VCARD");
        const char saved = *end;
        *end = '\0';
        EVCard *card = e_vcard_new_from_string(start);
        attributes += g_list_length(e_vcard_get_attributes(card));
        g_object_unref(card);
        ++cards;
        *end = saved;
        start = end;
    }
    printf("cards: %ld, attributes: %ld\n", cards, attributes);
    g_free(text);
    return 0;
}
