#!/usr/bin/python3
"""Writes a copy of a float ONNX model that computes the same in fewer passes over its tensors.

Usage: fold_models.py SOURCE.onnx TARGET.onnx

The substitute models are built of blocks: a convolution, a scale and a shift by two scalars, hard swish
written out as Add 3, Clip 0..6, Mul and Div 6, then another scalar scale and shift. On the CPU the runtime
keeps a tensor in its blocked channel layout only through convolutions (an activation such as HardSigmoid
fused in), Add, Mul and BatchNormalization; every other operator costs a pass over the tensor, and sends it
back to the plain layout and forth again for the next convolution, two passes more. The rewrite:

- folds a scalar scale and shift after a convolution into its weights and bias;
- writes hard swish as x * HardSigmoid(x), the HardSigmoid after a 1 x 1 convolution of unit weights, one
  per channel, which the runtime fuses it into;
- folds a scalar scale and shift before convolutions that do not pad into their weights and bias, and
  writes the others as one BatchNormalization (a shift before a padding convolution would also shift the
  padding).

The results are the source model's up to float rounding. The same input gives the same bytes.
"""

import argparse

import numpy as np
import onnx
from onnx import helper, numpy_helper

from quantize_models import constant_weights


class Folder:
    def __init__(self, model):
        self.graph = model.graph
        self.opset = next((o.version for o in model.opset_import if o.domain in ("", "ai.onnx")), 0)
        self.weights = constant_weights(self.graph)
        self.nodes = list(self.graph.node)
        self.new_inits = []
        self.counter = 0
        self.outputs = {o.name for o in self.graph.output}
        self.counts = {"scale after conv": 0, "hard swish": 0, "scale into conv": 0, "scale as batch norm": 0}

    def init(self, base, array):
        self.counter += 1
        name = f"fold_{self.counter}_{base}"
        self.weights[name] = np.asarray(array, dtype=np.float32)
        self.new_inits.append(numpy_helper.from_array(self.weights[name], name))
        return name

    def readers(self, name):
        """The nodes reading `name`, or None when a graph output is among them."""
        if name in self.outputs:
            return None
        return [n for n in self.nodes if name in n.input]

    def only_reader(self, name, op_type):
        readers = self.readers(name)
        if readers is not None and len(readers) == 1 and readers[0].op_type == op_type:
            return readers[0]
        return None

    def writer(self, name):
        return next((n for n in self.nodes if name in n.output), None)

    def scalar(self, node, other_than):
        """The value of `node`'s one other input when it is a constant of one element."""
        others = [i for i in node.input if i != other_than]
        if len(others) == 1 and others[0] in self.weights and self.weights[others[0]].size == 1:
            return float(self.weights[others[0]].reshape(()))
        return None

    def conv_weights(self, conv):
        w = self.weights[conv.input[1]].astype(np.float64)
        bias = self.weights[conv.input[2]].astype(np.float64) if len(conv.input) > 2 and conv.input[2] else None
        return w, np.zeros(w.shape[0]) if bias is None else bias

    def set_conv_weights(self, conv, w, bias):
        conv.input[1] = self.init("w", w)
        if len(conv.input) > 2:
            conv.input[2] = self.init("b", bias)
        else:
            conv.input.append(self.init("b", bias))

    def channels(self, name):
        """Channels of a tensor, traced back through elementwise operators to the convolution that made it."""
        node = self.writer(name)
        while node is not None and node.op_type in ("Mul", "Add", "HardSigmoid", "BatchNormalization"):
            node = self.writer(next((i for i in node.input if i not in self.weights), ""))
        if node is None or node.op_type != "Conv" or node.input[1] not in self.weights:
            return None
        return self.weights[node.input[1]].shape[0]

    def drop(self, *dropped):
        ids = {id(n) for n in dropped}
        self.nodes = [n for n in self.nodes if id(n) not in ids]

    def fold_scale_after_conv(self):
        for conv in list(self.nodes):
            if conv.op_type != "Conv" or conv.input[1] not in self.weights:
                continue
            mul = self.only_reader(conv.output[0], "Mul")
            scale = None if mul is None else self.scalar(mul, conv.output[0])
            if scale is None:
                continue
            shift, last = 0.0, mul
            add = self.only_reader(mul.output[0], "Add")
            if add is not None and self.scalar(add, mul.output[0]) is not None:
                shift, last = self.scalar(add, mul.output[0]), add
            w, bias = self.conv_weights(conv)
            self.set_conv_weights(conv, w * scale, bias * scale + shift)
            conv.output[0] = last.output[0]
            self.drop(mul, last)
            self.counts["scale after conv"] += 1

    def rewrite_hard_swish(self):
        for add in list(self.nodes):
            x = next((i for i in add.input if i not in self.weights), None)
            if add.op_type != "Add" or x is None or self.scalar(add, x) != 3.0:
                continue
            clip = self.only_reader(add.output[0], "Clip")
            mul = None if clip is None else self.only_reader(clip.output[0], "Mul")
            div = None if mul is None or x not in mul.input else self.only_reader(mul.output[0], "Div")
            if div is None or self.scalar(div, mul.output[0]) != 6.0 or not self.clips_to_six(clip):
                continue
            out = div.output[0]
            sigmoid = helper.make_node("HardSigmoid", [x], [out + "_hsig"], alpha=1.0 / 6.0, beta=0.5,
                                       name=out + "_hsig")
            replacement = [sigmoid]
            channels = self.channels(x)
            if channels is not None:
                unit = helper.make_node("Conv", [x, self.init("unit", np.ones((channels, 1, 1, 1))),
                                                 self.init("zero", np.zeros(channels))],
                                        [out + "_unit"], group=channels, kernel_shape=[1, 1], name=out + "_unit")
                sigmoid.input[0] = unit.output[0]
                replacement.insert(0, unit)
            at = self.nodes.index(add)
            self.nodes[at:at + 1] = replacement
            del mul.input[:]
            mul.input.extend([x, sigmoid.output[0]])
            mul.output[0] = out
            self.drop(clip, div)
            self.counts["hard swish"] += 1

    def clips_to_six(self, clip):
        if self.opset < 11:
            bounds = {a.name: helper.get_attribute_value(a) for a in clip.attribute}
            return bounds.get("min") == 0.0 and bounds.get("max") == 6.0
        return (len(clip.input) == 3 and all(i in self.weights for i in clip.input[1:]) and
                [float(self.weights[i]) for i in clip.input[1:]] == [0.0, 6.0])

    def fold_scale_before_conv(self):
        for mul in list(self.nodes):
            x = next((i for i in mul.input if i not in self.weights), None)
            if mul.op_type != "Mul" or x is None:
                continue
            scale = self.scalar(mul, x)
            add = None if scale is None else self.only_reader(mul.output[0], "Add")
            shift = None if add is None else self.scalar(add, mul.output[0])
            if shift is None:
                continue
            y = add.output[0]
            readers = self.readers(y)
            if readers and all(self.is_unpadded_conv(n, y) for n in readers):
                for conv in readers:
                    w, bias = self.conv_weights(conv)
                    conv.input[0] = x
                    self.set_conv_weights(conv, w * scale, bias + shift * w.reshape(w.shape[0], -1).sum(axis=1))
                self.drop(mul, add)
                self.counts["scale into conv"] += 1
                continue
            channels = self.channels(x)
            if channels is None:
                continue
            norm = helper.make_node("BatchNormalization",
                                    [x, self.init("scale", np.full(channels, scale)),
                                     self.init("shift", np.full(channels, shift)),
                                     self.init("mean", np.zeros(channels)), self.init("var", np.ones(channels))],
                                    [y], epsilon=0.0, name=y + "_affine")
            self.nodes[self.nodes.index(mul)] = norm
            self.drop(add)
            self.counts["scale as batch norm"] += 1

    def is_unpadded_conv(self, node, name):
        if node.op_type != "Conv" or node.input[0] != name or node.input[1] not in self.weights:
            return False
        attrs = {a.name: helper.get_attribute_value(a) for a in node.attribute}
        return all(p == 0 for p in attrs.get("pads", [0])) and attrs.get("auto_pad", b"NOTSET") in (b"NOTSET",
                                                                                                  b"VALID")

    def finish(self):
        # Constants whose only readers were folded, and weights folded twice, would be dead weight in the file.
        used = {i for n in self.nodes for i in n.input} | self.outputs
        nodes = [n for n in self.nodes if n.op_type != "Constant" or n.output[0] in used]
        inits = [i for i in list(self.graph.initializer) + self.new_inits if i.name in used]
        del self.graph.node[:]
        self.graph.node.extend(nodes)
        del self.graph.initializer[:]
        self.graph.initializer.extend(inits)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("source")
    parser.add_argument("target")
    args = parser.parse_args()
    model = onnx.load(args.source)
    folder = Folder(model)
    folder.fold_scale_after_conv()
    folder.rewrite_hard_swish()
    folder.fold_scale_before_conv()
    folder.finish()
    onnx.checker.check_model(model)
    onnx.save(model, args.target)
    print(f"{args.target}: " + ", ".join(f"{count} {what}" for what, count in folder.counts.items()))


if __name__ == "__main__":
    main()
