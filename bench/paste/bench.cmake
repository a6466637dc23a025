# Paste: the rate at which pasted characters reach ReadLine, beside the
# same characters posted as WM_CHAR messages. Run with scripts/bench.sh.
qv_hosted_program(paste_bench SOURCES bench/paste/paste.c OUTDIR ${QV_BIN_DIR}/bench CODE_PAGE 936)
