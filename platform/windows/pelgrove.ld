/*
 * pelgrove.ld - the section layout of pelgrove.exe, for GNU ld (i386pe).
 *
 * Every section of a PE file takes whole 512-byte blocks on disk (the file
 * alignment; Windows wants at least 512 for an image whose sections are
 * page-aligned in memory), so the file's size is set by how many sections
 * there are. The default layout gives five: .text, .rdata, .idata, .rsrc
 * and .reloc. This one gives three, the fewest that keep what matters:
 *
 *   .text   code, read-only data and the import table, all read-only: the
 *           loader makes the import address table writable by itself while
 *           it fills it (the directory entry below tells it where), as it
 *           does for every image that keeps imports among read-only data;
 *   .rsrc   the resources alone, as resource editors expect;
 *   .reloc  the base relocations, which ld requires in a section of its
 *           own after every section that has any. With them the image can
 *           be loaded at any address (DYNAMIC_BASE, set by --dynamicbase).
 *
 * Nothing else is accepted: the build links with --orphan-handling=error,
 * so a section that no rule here places stops the link instead of quietly
 * growing the file. The headers, the alignments and everything else about
 * the file stay as ld makes them by default.
 */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);

  /* Read-only and executable, never writable: the shape test checks it. */
  .text __image_base__ + __section_alignment__ :
  {
    /* Not the import library's jump stubs ("jmp [__imp_X]"): our calls go
     * straight through the import address table (dllimport). */
    *(EXCLUDE_FILE(*libkernel32.a:*) .text)
    *(SORT(.text$*))
    *(.text.*)
    *(.rdata)
    *(SORT(.rdata$*))

    /* The import table, in the order the PE format and ld's import
     * libraries define: directory, lookup table, address table, names.
     * ld finds the import directory and the import address table by the
     * symbols .idata$2 to .idata$6 when they are not in a section named
     * .idata; ld writes their values into the header unchanged, and the
     * header wants addresses relative to the image base, hence the
     * subtraction. */
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }

  /* The launcher keeps no global state; a writable section is a mistake. */
  .data BLOCK(__section_alignment__) :
  {
    *(.data) *(.data$*) *(.bss) *(COMMON)
  }
  ASSERT(SIZEOF(.data) == 0, "pelgrove: the launcher must have no global or static variables")

  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }

  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }

  /DISCARD/ :
  {
    *(.drectve)                /* linker directives, already obeyed */
    *(.gnu.lto_*)              /* whole-program intermediate code */
    *(.note.GNU-stack)
    *(.debug*) *(.stab*)       /* none: the exe is stripped */
    *libkernel32.a:*(.text)    /* the unused jump stubs (see .text) */
  }
}
