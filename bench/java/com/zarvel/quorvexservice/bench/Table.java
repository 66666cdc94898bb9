package com.zarvel.quorvexservice.bench;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/** A plain text table: a header row, then rows; the first column left-aligned, others right. */
final class Table {
    private final List<String[]> rows = new ArrayList<>();
    private final int columns;

    Table(String... header) {
        columns = header.length;
        rows.add(header);
    }

    void row(String... cells) {
        if (cells.length != columns) {
            throw new IllegalArgumentException("a row of " + cells.length + " cells, not " + columns);
        }
        rows.add(cells);
    }

    void print() {
        int[] widths = new int[columns];
        for (String[] row : rows) {
            for (int c = 0; c < columns; c++) {
                widths[c] = Math.max(widths[c], row[c].length());
            }
        }
        for (int r = 0; r < rows.size(); r++) {
            StringBuilder line = new StringBuilder();
            for (int c = 0; c < columns; c++) {
                String cell = rows.get(r)[c];
                String pad = " ".repeat(widths[c] - cell.length());
                line.append(c == 0 ? cell + pad : pad + cell);
                if (c + 1 < columns) {
                    line.append("  ");
                }
            }
            System.out.println(line.toString().stripTrailing());
            if (r == 0) {
                int total = 0;
                for (int w : widths) {
                    total += w;
                }
                System.out.println("-".repeat(total + 2 * (columns - 1)));
            }
        }
    }

    static String fixed(double value, int decimals) {
        return String.format(Locale.ROOT, "%." + decimals + "f", value);
    }

    static String ratio(double value) {
        return fixed(value, 2) + "x";
    }

    static String verdict(boolean met) {
        return met ? "PASS" : "MISS";
    }
}
