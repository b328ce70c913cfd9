/* gsf_bench: the benchmark scenarios done with libgsf, the peer written in C.
 * Same subcommands, same documents and the same output line as vellora_bench:
 *   seconds=<wall time of the work> bytes=<payload bytes moved>
 * libgsf cannot change a document in place, so "onebyte" rewrites it into a
 * new file with the byte changed and renames that over the original. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

enum { kStorages = 100, kStreamsPerStorage = 100, kSmallStream = 4096, kChunk = 1 << 20 };

static void die(const char *what, GError *err) {
  fprintf(stderr, "gsf_bench: %s: %s\n", what, err ? err->message : strerror(errno));
  exit(1);
}

static GsfInfile *open_doc(const char *path) {
  GError *err = NULL;
  GsfInput *input = gsf_input_stdio_new(path, &err);
  if (!input) die(path, err);
  GsfInfile *doc = gsf_infile_msole_new(input, &err);
  g_object_unref(input);
  if (!doc) die(path, err);
  return doc;
}

static GsfOutfile *create_doc(const char *path, GsfOutput **sink) {
  GError *err = NULL;
  *sink = gsf_output_stdio_new(path, &err);
  if (!*sink) die(path, err);
  GsfOutfile *doc = gsf_outfile_msole_new(*sink);
  if (!doc) die(path, NULL);
  return doc;
}

/* Closing the document closes the file under it too. */
static void close_doc(GsfOutfile *doc, GsfOutput *sink) {
  if (!gsf_output_close(GSF_OUTPUT(doc))) die("closing the document", NULL);
  g_object_unref(doc);
  g_object_unref(sink);
}

static int is_storage(GsfInput *element) {
  return GSF_IS_INFILE(element) && gsf_infile_num_children(GSF_INFILE(element)) >= 0;
}

/* Reads a stream to its end, a chunk at a time, and hands each chunk to `sink`. */
static guint64 drain(GsfInput *stream, guint8 *buf, void (*sink)(guint8 *, size_t, void *), void *context) {
  guint64 total = 0;
  for (gsf_off_t left; (left = gsf_input_remaining(stream)) > 0;) {
    const size_t n = left < kChunk ? (size_t)left : (size_t)kChunk;
    if (!gsf_input_read(stream, n, buf)) die("reading a stream", NULL);
    if (sink) sink(buf, n, context);
    total += n;
  }
  return total;
}

static guint64 bench_write(char **paths) {
  GsfOutput *sink;
  GsfOutfile *doc = create_doc(paths[0], &sink);
  guint8 block[kSmallStream];
  guint64 total = 0;
  for (int s = 0; s < kStorages; ++s) {
    char name[8];
    snprintf(name, sizeof name, "S%03d", s);
    GsfOutput *storage = gsf_outfile_new_child(doc, name, TRUE);
    for (int t = 0; t < kStreamsPerStorage; ++t) {
      memset(block, (s * kStreamsPerStorage + t) & 0xFF, sizeof block);
      snprintf(name, sizeof name, "T%03d", t);
      GsfOutput *stream = gsf_outfile_new_child(GSF_OUTFILE(storage), name, FALSE);
      if (!gsf_output_write(stream, sizeof block, block)) die("writing a stream", NULL);
      gsf_output_close(stream);
      g_object_unref(stream);
      total += sizeof block;
    }
    gsf_output_close(storage);
    g_object_unref(storage);
  }
  close_doc(doc, sink);
  return total;
}

static guint64 read_tree(GsfInfile *storage, guint8 *buf, int read_data) {
  guint64 total = 0;
  const int count = gsf_infile_num_children(storage);
  for (int i = 0; i < count; ++i) {
    GsfInput *child = gsf_infile_child_by_index(storage, i);
    if (!child) die("opening an element", NULL);
    if (is_storage(child)) {
      total += read_tree(GSF_INFILE(child), buf, read_data);
    } else {
      total += read_data ? drain(child, buf, NULL, NULL) : (guint64)gsf_input_size(child);
    }
    g_object_unref(child);
  }
  return total;
}

static guint64 bench_read(char **paths) {
  GsfInfile *doc = open_doc(paths[0]);
  guint8 *buf = g_malloc(kChunk);
  const guint64 total = read_tree(doc, buf, 1);
  g_free(buf);
  g_object_unref(doc);
  return total;
}

static guint64 bench_open(char **paths) {
  GsfInfile *doc = open_doc(paths[0]);
  const guint64 total = read_tree(doc, NULL, 0);
  g_object_unref(doc);
  return total;
}

static guint64 bench_import(char **paths) {
  const int fd = open(paths[0], O_RDONLY | O_CLOEXEC);
  if (fd < 0) die(paths[0], NULL);
  GsfOutput *sink;
  GsfOutfile *doc = create_doc(paths[1], &sink);
  GsfOutput *stream = gsf_outfile_new_child(doc, "data", FALSE);
  guint8 *buf = g_malloc(kChunk);
  guint64 total = 0;
  for (ssize_t n; (n = read(fd, buf, kChunk)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      die(paths[0], NULL);
    }
    if (!gsf_output_write(stream, (size_t)n, buf)) die("writing the stream", NULL);
    total += (guint64)n;
  }
  g_free(buf);
  close(fd);
  gsf_output_close(stream);
  g_object_unref(stream);
  close_doc(doc, sink);
  return total;
}

static GsfInput *open_data(GsfInfile *doc) {
  GsfInput *stream = gsf_infile_child_by_name(doc, "data");
  if (!stream) die("no stream \"data\"", NULL);
  return stream;
}

static guint64 bench_readbig(char **paths) {
  GsfInfile *doc = open_doc(paths[0]);
  GsfInput *stream = open_data(doc);
  guint8 *buf = g_malloc(kChunk);
  const guint64 total = drain(stream, buf, NULL, NULL);
  g_free(buf);
  g_object_unref(stream);
  g_object_unref(doc);
  return total;
}

static void write_fd(guint8 *data, size_t size, void *context) {
  const int fd = *(const int *)context;
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      die("writing the file", NULL);
    }
    data += n;
    size -= (size_t)n;
  }
}

static guint64 bench_export(char **paths) {
  GsfInfile *doc = open_doc(paths[0]);
  GsfInput *stream = open_data(doc);
  int fd = open(paths[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) die(paths[1], NULL);
  guint8 *buf = g_malloc(kChunk);
  const guint64 total = drain(stream, buf, write_fd, &fd);
  g_free(buf);
  close(fd);
  g_object_unref(stream);
  g_object_unref(doc);
  return total;
}

/* The copy for "onebyte": the byte at `flip` of the stream named `target` is inverted. */
struct copy {
  GsfOutput *out;
  guint64 at;
  guint64 flip;
};

static void write_flipped(guint8 *data, size_t size, void *context) {
  struct copy *c = context;
  if (c->flip >= c->at && c->flip < c->at + size) data[c->flip - c->at] = (guint8)~data[c->flip - c->at];
  if (!gsf_output_write(c->out, size, data)) die("writing a stream", NULL);
  c->at += size;
}

static void copy_tree(GsfInfile *from, GsfOutfile *to, guint8 *buf, const char *target) {
  const int count = gsf_infile_num_children(from);
  for (int i = 0; i < count; ++i) {
    GsfInput *child = gsf_infile_child_by_index(from, i);
    const char *name = gsf_infile_name_by_index(from, i);
    const int storage = is_storage(child);
    GsfOutput *out = gsf_outfile_new_child(to, name, storage);
    if (storage) {
      copy_tree(GSF_INFILE(child), GSF_OUTFILE(out), buf, target);
    } else {
      const guint64 size = (guint64)gsf_input_size(child);
      struct copy c = {out, 0, strcmp(name, target) == 0 ? size / 2 : G_MAXUINT64};
      drain(child, buf, write_flipped, &c);
    }
    gsf_output_close(out);
    g_object_unref(out);
    g_object_unref(child);
  }
}

static guint64 bench_onebyte(char **paths) {
  char *temp = g_strconcat(paths[0], ".gsf-new", NULL);
  GsfInfile *doc = open_doc(paths[0]);
  GsfOutput *sink;
  GsfOutfile *copy = create_doc(temp, &sink);
  guint8 *buf = g_malloc(kChunk);
  copy_tree(doc, copy, buf, "S1");
  g_free(buf);
  close_doc(copy, sink);
  g_object_unref(doc);
  if (rename(temp, paths[0]) != 0) die("rename", NULL);
  g_free(temp);
  return 1;
}

struct command {
  const char *name;
  int paths;
  guint64 (*run)(char **);
};

static const struct command commands[] = {
    {"write", 1, bench_write},     {"read", 1, bench_read},       {"import", 2, bench_import},
    {"readbig", 1, bench_readbig}, {"export", 2, bench_export},   {"onebyte", 1, bench_onebyte},
    {"open", 1, bench_open},
};

int main(int argc, char **argv) {
  if (argc >= 2) {
    for (size_t i = 0; i < sizeof commands / sizeof commands[0]; ++i) {
      if (strcmp(argv[1], commands[i].name) != 0 || argc - 2 != commands[i].paths) continue;
      gsf_init();
      struct timespec start, end;
      clock_gettime(CLOCK_MONOTONIC, &start);
      const guint64 bytes = commands[i].run(argv + 2);
      clock_gettime(CLOCK_MONOTONIC, &end);
      const double seconds = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
      printf("seconds=%.6f bytes=%llu\n", seconds, (unsigned long long)bytes);
      gsf_shutdown();
      return 0;
    }
  }
  fprintf(stderr, "usage: gsf_bench write|read|readbig|open DOC | import FILE DOC | export DOC FILE | onebyte DOC\n");
  return 2;
}
