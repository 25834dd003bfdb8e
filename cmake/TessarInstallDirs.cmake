# The installed layout, relative to the install prefix. The host loads libzor.so and its
# modules from the folder of its own executable, so the executable and the libraries share a
# private folder; bin/ holds a relative symbolic link to the executable (the host reads
# /proc/self/exe, which names the real file, so the link changes nothing it finds).
set(TESSAR_INSTALL_BINDIR bin)
set(TESSAR_INSTALL_PRIVATEDIR lib/velogram)   # velogram, libzor.so, libkviplatform.so, modules
set(TESSAR_INSTALL_DATADIR share/velogram)    # demo/
set(TESSAR_INSTALL_DOCDIR share/doc/velogram)
set(TESSAR_INSTALL_MANDIR share/man)

# The data folder as the executable reaches it, e.g. "../../share/velogram".
file(RELATIVE_PATH TESSAR_DATA_FROM_EXECUTABLE /prefix/${TESSAR_INSTALL_PRIVATEDIR} /prefix/${TESSAR_INSTALL_DATADIR})
