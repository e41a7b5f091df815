# Installed beside the program: the plot command, the manual page packscan(1), the reference
# documentation and the example inputs.
install(PROGRAMS tools/packscan-plot DESTINATION bin)
install(FILES man/packscan.1 DESTINATION share/man/man1)
install(FILES docs/input.md docs/report.md docs/snapshots.md DESTINATION share/doc/packscan)
install(DIRECTORY examples/ DESTINATION share/doc/packscan/examples
        FILES_MATCHING PATTERN "atp.dat")
