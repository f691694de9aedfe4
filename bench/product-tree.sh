# Sourced by the removal benchmarks: the product's files, made once as a
# template that every run copies. make_product_tree TEMPLATE LIST FOLDERS
# writes FOLDERS folders of 100 small files and their FILE LIST entries.
make_product_tree() {
    local template=$1 list=$2 folders=$3 d f
    mkdir -p "$template"
    for d in $(seq -w 0 $((folders - 1))); do
        mkdir "$template/d$d"
        for f in $(seq -w 0 99); do
            printf 'file %s of folder %s\n' "$f" "$d" > "$template/d$d/f$f.dat"
            printf 'd%s\\f%s.dat,' "$d" "$f" >> "$list"
        done
    done
}
